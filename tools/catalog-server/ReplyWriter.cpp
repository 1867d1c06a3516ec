#include "ReplyWriter.h"

#include "SocketControl.h"

#include <QFile>
#include <algorithm>
#include <httplib.h>

namespace aru::server {

namespace {

constexpr std::int64_t kChunkBytes = 64 * 1024;

// The bytes of a reply's body, read chunk by chunk from memory or from its file.
class BodySource {
public:
    explicit BodySource(const Reply& reply)
        : m_text(reply.text)
        , m_start(reply.offset) {
        if (!m_text && !reply.filePath.isEmpty()) {
            m_file = std::make_unique<QFile>(reply.filePath);
            if (!m_file->open(QIODevice::ReadOnly))
                m_file.reset();
        }
    }

    bool isValid() const { return m_text || m_file; }

    bool send(std::int64_t offset, std::int64_t count, httplib::DataSink& sink) {
        const std::int64_t position = m_start + offset;
        if (m_text)
            return sink.write(m_text->data() + position, static_cast<std::size_t>(count));
        m_buffer.resize(static_cast<std::size_t>(count));
        if (!m_file->seek(position) || m_file->read(m_buffer.data(), count) != count)
            return false;
        return sink.write(m_buffer.data(), m_buffer.size());
    }

private:
    std::shared_ptr<const std::string> m_text;
    std::unique_ptr<QFile> m_file;
    std::vector<char> m_buffer;
    std::int64_t m_start;
};

} // namespace

void ReplyWriter::write(const httplib::Request& request, const Reply& reply,
                        const Delivery& delivery, StopFlag& stop, httplib::Response& response) {
    auto source = std::make_shared<BodySource>(reply);
    if (reply.length > 0 && !source->isValid()) {
        response.status = 500;
        response.set_content(R"({"error":"cannot read the generated file"})", "application/json");
        return;
    }
    response.status = reply.status;
    for (const auto& [name, value] : reply.headers)
        response.set_header(name, value);

    const bool cut = delivery.truncateAfter.has_value() || delivery.reset;
    const std::int64_t length = reply.length;
    const std::int64_t limit = cut ? std::min(length, delivery.truncateAfter.value_or(0)) : length;
    const std::int64_t stallAt = delivery.stallAfter.value_or(limit);
    const bool reset = delivery.reset;
    const int localPort = request.local_port;
    const int remotePort = request.remote_port;
    StopFlag* const stopFlag = &stop;
    auto finish = [=] {
        if (stallAt < limit) {
            while (stopFlag->sleepFor(std::chrono::seconds(60))) {
            }
        }
        if (reset)
            SocketControl::reset(localPort, remotePort);
        // Returning false from a content provider makes the library drop the connection.
        return false;
    };

    if (delivery.omitContentLength || (cut && length == 0)) {
        response.set_content_provider(
            reply.contentType, [=](std::size_t offset, httplib::DataSink& sink) {
                const auto sent = static_cast<std::int64_t>(offset);
                const std::int64_t end = std::min(limit, stallAt);
                if (sent >= end)
                    return finish();
                return source->send(sent, std::min(kChunkBytes, end - sent), sink);
            });
        return;
    }
    if (length == 0) {
        response.set_content(std::string(), reply.contentType);
        return;
    }
    response.set_content_provider(static_cast<std::size_t>(length), reply.contentType,
                                  [=](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                                      const auto sent = static_cast<std::int64_t>(offset);
                                      const std::int64_t end = std::min(limit, stallAt);
                                      if (sent >= end)
                                          return finish();
                                      return source->send(sent, std::min(kChunkBytes, end - sent),
                                                          sink);
                                  });
}

} // namespace aru::server
