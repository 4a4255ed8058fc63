#include "Wisplet/Base/Keychain.h"

#include "Wisplet/Platform/Platform.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace {

// Strict both ways: a broken sequence (even a truncated one at the end) is an error rather than a
// replacement character, and a leading byte-order mark is part of the secret, not a marker to drop.
std::optional<QString> decodeUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringConverter::Utf8,
                           QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

// A QString may hold unpaired surrogates, which have no UTF-8 form; storing a replacement character
// instead would silently change the secret.
std::optional<QByteArray> encodeUtf8(const QString& text)
{
    QStringEncoder encoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QByteArray bytes = encoder.encode(text);
    if (encoder.hasError())
        return std::nullopt;
    return bytes;
}

} // namespace

Keychain::Keychain(SecretStore& store)
    : m_store(store)
{ }

Keychain& Keychain::shared()
{
    static auto* keychain = new Keychain(Platform::secrets());
    return *keychain;
}

std::optional<QString> Keychain::read(const QString& key) const
{
    ReadResult result = readChecked(key);
    if (result.status != Status::Found)
        return std::nullopt;
    return std::move(result.value);
}

Keychain::ReadResult Keychain::readChecked(const QString& key) const
{
    const SecretStore::Lookup lookup = m_store.lookup(key);
    if (lookup.status != Status::Found)
        return {lookup.status, {}};
    std::optional<QString> text = decodeUtf8(lookup.secret);
    if (!text)
        return {};
    return {Status::Found, std::move(*text)};
}

bool Keychain::write(const QString& value, const QString& key)
{
    if (value.isEmpty())
        return m_store.remove(key);
    const std::optional<QByteArray> bytes = encodeUtf8(value);
    return bytes && m_store.store(key, *bytes);
}
