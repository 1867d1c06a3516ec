#pragma once

#include "CacheFolders.h"
#include "DragService.h"
#include "ImageCache.h"
#include "NetworkSession.h"
#include "TrackFileCache.h"
#include "WaveformService.h"

#include <QString>

namespace aru {

// The shared services, made together in the order they rely on each other and gone together:
// the HTTP session, the cover cache, the track files that the waveform service and the drag
// cache share, and those two. main() keeps one for the whole run; a test keeps its own over a
// folder of its own.
class AppServices {
public:
    // Caches go into folders under `cacheRoot` ("Covers", "Waveforms", "Tracks"…). Temporary
    // files that a killed run left there, or in the system's temporary folder, are swept.
    explicit AppServices(const QString& cacheRoot = CacheFolders::root(),
                         qint64 maxTrackFileBytes = TrackFileCache::defaultMaxBytes);

    NetworkSession& network() { return m_network; }
    ImageCache& covers() { return m_covers; }
    TrackFileCache& trackFiles() { return m_trackFiles; }
    WaveformService& waveforms() { return m_waveforms; }
    DragService& drags() { return m_drags; }

private:
    NetworkSession m_network;
    ImageCache m_covers;
    TrackFileCache m_trackFiles;
    WaveformService m_waveforms;
    DragService m_drags;
};

} // namespace aru
