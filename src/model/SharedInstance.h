#pragma once

#include <QtGlobal>

namespace aru {

// The one style of shared service in the app: an object that exists once while its owner keeps
// it (main() for the app's whole run, a test for its own), reachable as T::shared() by code
// that cannot be handed it — a view's controller made by QML, a coroutine deep in a flow. Its
// owner destroys it like any other object, so nothing of it is left for the next test.
//
// A service derives from SharedInstance<Service> and passes `this` from its constructor.
template <typename T> class SharedInstance {
public:
    SharedInstance(const SharedInstance&) = delete;
    SharedInstance& operator=(const SharedInstance&) = delete;

    static T& shared() {
        if (!s_instance)
            qFatal("%s: used before its owner created it", Q_FUNC_INFO);
        return *s_instance;
    }
    static bool exists() { return s_instance != nullptr; }

protected:
    explicit SharedInstance(T* instance) {
        if (s_instance)
            qFatal("%s: a second one while the first exists", Q_FUNC_INFO);
        s_instance = instance;
    }
    ~SharedInstance() { s_instance = nullptr; }

private:
    static inline T* s_instance = nullptr;
};

} // namespace aru
