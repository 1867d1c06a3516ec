#pragma once

#include "CacheFolders.h"
#include "DragService.h"
#include "ImageCache.h"
#include "NetworkSession.h"
#include "WaveformService.h"

#include <QString>

namespace aru {

// The shared services, made together in the order they rely on each other and gone together:
// the HTTP session, the cover cache, the waveform service and the drag cache. main() keeps one
// for the whole run; a test keeps its own over a folder of its own.
class AppServices {
public:
    // Caches go into folders under `cacheRoot` ("Covers", "Waveforms", "Tracks"…). Temporary
    // files that a killed run left there, or in the system's temporary folder, are swept.
    explicit AppServices(const QString& cacheRoot = CacheFolders::root());

    NetworkSession& network() { return m_network; }
    ImageCache& covers() { return m_covers; }
    WaveformService& waveforms() { return m_waveforms; }
    DragService& drags() { return m_drags; }

private:
    NetworkSession m_network;
    ImageCache m_covers;
    WaveformService m_waveforms;
    DragService m_drags;
};

} // namespace aru
