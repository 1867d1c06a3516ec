#include "PageLayout.h"

#include "ChangeNotification.h"

namespace aru {

namespace {

constexpr qreal compactPageMargin = 24;
constexpr qreal regularPageMargin = 64;

} // namespace

PageLayout::PageLayout(QObject* parent)
    : QObject(parent) {}

qreal PageLayout::pageH() const {
    return m_isCompact ? compactPageMargin : regularPageMargin;
}

qreal PageLayout::pageTrailing() const {
    return regularPageMargin;
}

void PageLayout::updateLayout(qreal width) {
    assignAndNotify(this, m_isCompact, width < compactBreakpoint, &PageLayout::isCompactChanged);
}

} // namespace aru
