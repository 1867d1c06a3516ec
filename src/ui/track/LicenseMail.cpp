#include "LicenseMail.h"

#include "L10n.h"

#include <QDesktopServices>

using namespace Qt::StringLiterals;

namespace aru::LicenseMail {

QString subject(const Track& track, AppLanguage language) {
    return L10n::t(u"track.license.subject", language) + u" — "_s + track.title;
}

QString body(const Track& track) {
    QString text = u"Bonjour,\n\nJe suis intéressé(e) par une licence pour le morceau suivant :\n\n"
                   u"  • Title : "_s +
                   track.title + u"\n  • Artist : "_s + track.artist;
    // Present but empty still asks for the line: the label can see that the code is missing.
    if (track.isrc)
        text += u"\n  • ISRC : "_s + *track.isrc;
    return text + u"\n\nMerci."_s;
}

QUrl url(const Track& track, AppLanguage language) {
    // QUrlQuery would leave "+" raw (read as a space) and take "%41" as already encoded.
    const QByteArray query = "subject=" + QUrl::toPercentEncoding(subject(track, language)) +
                             "&body=" + QUrl::toPercentEncoding(body(track));
    return QUrl::fromEncoded("mailto:" + licensingAddress.toUtf8() + '?' + query, QUrl::StrictMode);
}

bool open(const Track& track, AppLanguage language) {
    const QUrl mail = url(track, language);
    return mail.isValid() && QDesktopServices::openUrl(mail);
}

} // namespace aru::LicenseMail
