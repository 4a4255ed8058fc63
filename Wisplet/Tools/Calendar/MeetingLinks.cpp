#include "Wisplet/Tools/Calendar/MeetingLinks.h"

namespace {

// Every one of the services serves its meetings over https: a link written with http is opened with https,
// never sent in the clear.
QUrl secure(QUrl url)
{
    url.setScheme(QStringLiteral("https"));
    return url;
}

std::optional<QUrl> urlFromMatch(const QString& text)
{
    const QRegularExpressionMatch match = meetingLinkPattern().match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const QUrl url(match.captured(), QUrl::StrictMode);
    return url.isValid() ? std::optional(secure(url)) : std::nullopt;
}

bool isWeb(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return scheme == u"http" || scheme == u"https";
}

} // namespace

const QRegularExpression& meetingLinkPattern()
{
    // A prefix before a service's domain must end in a dot: company subdomains match, look-alike hosts
    // such as "evil-zoom.us" do not.
    static const QRegularExpression pattern(QStringLiteral(R"(https?://(?:)"
                                                           R"((?:[\w-]+\.)*zoom\.us/(?:j|my|w)/[^\s<>"']+)"
                                                           R"(|meet\.google\.com/[a-z\-]+[^\s<>"']*)"
                                                           R"(|teams\.microsoft\.com/l/meetup-join/[^\s<>"']+)"
                                                           R"(|(?:[\w-]+\.)*webex\.com/[^\s<>"']+)"
                                                           R"(|(?:[\w-]+\.)*whereby\.com/[^\s<>"']+)"
                                                           R"(|meet\.around\.co/[^\s<>"']+)"
                                                           R"(|meet\.jit\.si/[^\s<>"']+)"
                                                           R"())"),
                                            QRegularExpression::CaseInsensitiveOption
                                                | QRegularExpression::UseUnicodePropertiesOption);
    Q_ASSERT(pattern.isValid());
    return pattern;
}

std::optional<QUrl> meetingURL(const CalendarEvent& event)
{
    if (!event.url.isEmpty()) {
        const QString whole = event.url.toString();
        const QRegularExpressionMatch match = meetingLinkPattern().match(whole);
        // The URL is taken whole only when it is the meeting link itself; a link buried in another
        // address (a redirect's parameter) must not open that other address.
        if (match.hasMatch() && match.capturedStart() == 0 && isWeb(event.url))
            return secure(event.url);
        if (const std::optional<QUrl> found = urlFromMatch(whole))
            return found;
    }
    for (const QString* field : {&event.location, &event.notes}) {
        if (const std::optional<QUrl> found = urlFromMatch(*field))
            return found;
    }
    return std::nullopt;
}
