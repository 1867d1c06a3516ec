#pragma once

#include "AppLanguage.h"
#include "Track.h"

#include <QString>
#include <QStringView>
#include <QUrl>

// The licence request for a track: an e-mail to the label's licensing contact, prepared for the
// user's own mail program. The message is in French whatever the interface language; only the
// subject's opening words follow it.
namespace aru::LicenseMail {

inline constexpr QStringView licensingAddress = u"licensing@aru-records.com";

// The subject text of the language, " — " and the title.
QString subject(const Track& track, AppLanguage language);
QString body(const Track& track);
// "mailto:" the licensing address, with the subject and the body as query values. Every value
// is percent-encoded in full, so that "+", "&", "#", "%" and line breaks in a title arrive as
// typed.
QUrl url(const Track& track, AppLanguage language);
// Hands the message to the desktop's default mail program; false when there is none.
bool open(const Track& track, AppLanguage language);

} // namespace aru::LicenseMail
