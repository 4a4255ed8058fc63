#include "Wisplet/Tools/Links/ShownAddress.h"

#include "Wisplet/Base/OutsideText.h"

#include <QUrl>

#include <unicode/uspoof.h>

#include <algorithm>
#include <array>
#include <memory>

namespace {

struct SpoofCheckerDeleter
{
    void operator()(USpoofChecker* checker) const { uspoof_close(checker); }
};

// Configured once; ICU allows checks from any thread on a checker no longer being configured.
const USpoofChecker* spoofChecker()
{
    static const std::unique_ptr<USpoofChecker, SpoofCheckerDeleter> checker = [] {
        UErrorCode error = U_ZERO_ERROR;
        std::unique_ptr<USpoofChecker, SpoofCheckerDeleter> made(uspoof_open(&error));
        uspoof_setRestrictionLevel(made.get(), USPOOF_HIGHLY_RESTRICTIVE);
        uspoof_setAllowedUnicodeSet(made.get(), uspoof_getRecommendedUnicodeSet(&error), &error);
        uspoof_setChecks(made.get(),
                         USPOOF_RESTRICTION_LEVEL | USPOOF_CHAR_LIMIT | USPOOF_INVISIBLE | USPOOF_MIXED_NUMBERS
                             | USPOOF_HIDDEN_OVERLAY,
                         &error);
        return U_SUCCESS(error) ? std::move(made) : nullptr;
    }();
    return checker.get();
}

bool isAscii(const QString& text)
{
    return std::all_of(text.cbegin(), text.cend(), [](QChar ch) { return ch.unicode() < 0x80; });
}

// An IPv6 address stands in brackets.
QString hostPart(const QUrl& url)
{
    const QString host = ShownAddress::host(url);
    return host.contains(u':') ? u'[' + host + u']' : host;
}

} // namespace

namespace ShownAddress {

bool mayShowInUnicode(const QString& label)
{
    const USpoofChecker* checker = spoofChecker();
    if (!checker || label.isEmpty())
        return false;
    const auto* text = reinterpret_cast<const UChar*>(label.utf16());
    UErrorCode error = U_ZERO_ERROR;
    if (uspoof_check2(checker, text, int(label.size()), nullptr, &error) != 0 || U_FAILURE(error))
        return false;
    // A label 255 characters long has no skeleton longer than a few times that.
    std::array<UChar, 2048> skeleton{};
    const int length = uspoof_getSkeleton(checker, 0, text, int(label.size()), skeleton.data(),
                                          int(skeleton.size()), &error);
    if (U_FAILURE(error))
        return false;
    return !isAscii(QString::fromUtf16(reinterpret_cast<const char16_t*>(skeleton.data()), length));
}

QString host(const QUrl& url)
{
    QStringList labels = url.host(QUrl::FullyEncoded).split(u'.');
    for (QString& label : labels) {
        const QString decoded = QUrl::fromAce(label.toLatin1(), QUrl::IgnoreIDNWhitelist);
        if (decoded != label && mayShowInUnicode(decoded))
            label = decoded;
    }
    return labels.join(u'.');
}

QString text(const QString& address)
{
    const QUrl url(address);
    QString shown;
    if (!url.isValid()) {
        shown = QString::fromLatin1(QUrl::toPercentEncoding(address, "!$&'()*+,;=:@/?#[]~%"));
    } else if (url.host().isEmpty()) {
        shown = url.toDisplayString();
    } else {
        // The host is put in by hand: Qt would show a look-alike host decoded, and a safe one under an
        // unfamiliar top-level domain in punycode.
        const QString userInfo = url.userName(QUrl::PrettyDecoded);
        shown = url.scheme() + QStringLiteral("://") + (userInfo.isEmpty() ? QString() : userInfo + u'@')
            + hostPart(url) + (url.port() < 0 ? QString() : u':' + QString::number(url.port()))
            + url.toDisplayString(QUrl::RemoveScheme | QUrl::RemoveAuthority);
    }
    // A bidi control decoded from the address would otherwise reorder it into another.
    return OutsideText::fileName(shown);
}

} // namespace ShownAddress
