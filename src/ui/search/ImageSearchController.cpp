#include "ImageSearchController.h"

#include "APIClient.h"
#include "AppState.h"
#include "ImageSearchPicture.h"
#include "Log.h"

namespace aru {

ImageSearchController::ImageSearchController(QObject* parent)
    : QObject(parent) {}

QStringList ImageSearchController::availableTags(const std::optional<TagLibrary>& library) {
    if (!library)
        return {};
    QStringList tags;
    for (const auto& list :
         {library->moods, library->genres, library->themes, library->instruments})
        tags += list.value_or(QStringList());
    return tags;
}

QString ImageSearchController::defaultToolTip() {
    return QStringLiteral(
        "Recherche par image — Gemini analyse l'ambiance visuelle et filtre les morceaux");
}

void ImageSearchController::setAppState(AppState* state) {
    if (m_state == state)
        return;
    m_state = state;
    emit appStateChanged();
}

QStringList ImageSearchController::nameFilters() {
    return ImageSearchPicture::chooserNameFilters();
}

void ImageSearchController::analyzeFile(const QUrl& file) {
    if (file.isLocalFile())
        analyzeImage(file.toLocalFile());
}

void ImageSearchController::analyzeDrop(const QList<QUrl>& urls) {
    if (!urls.isEmpty())
        analyzeFile(urls.first());
}

QCoro::Task<> ImageSearchController::analyzeImage(QString path) {
    const QPointer<ImageSearchController> self(this);
    const std::optional<QByteArray> jpeg =
        co_await ImageSearchPicture::encodeJpegInBackground(path);
    if (!self || !jpeg || !m_state)
        co_return;
    const QStringList tags = availableTags(m_state->catalog()->tagLibrary());
    setLoading(true);
    const auto answer = co_await APIClient::searchByImage(*jpeg, tags);
    if (!self)
        co_return;
    if (!answer) {
        Log::line(QStringLiteral("[ImageSearch] failed: ") + answer.error().description());
    } else if (answer->tags && !answer->tags->isEmpty() && m_state) {
        m_state->search()->setSearchText(answer->tags->join(QLatin1Char(' ')));
        setLastDescription(answer->description);
    }
    setLoading(false);
}

void ImageSearchController::setLoading(bool loading) {
    if (m_isLoading == loading)
        return;
    m_isLoading = loading;
    emit isLoadingChanged();
}

void ImageSearchController::setLastDescription(const std::optional<QString>& description) {
    const QString before = toolTip();
    m_lastDescription = description;
    if (toolTip() != before)
        emit toolTipChanged();
}

} // namespace aru
