#pragma once

#include <QString>

#include <utility>
#include <variant>

// Why a request or a connector failed, with the text the user reads. Our own cancellation is an error
// too, one that callers drop without showing it.
class IntegrationError final
{
public:
    enum class Kind { missing, http, parse, badResponse, system, cancelled };

    // "<label> is required."
    static IntegrationError missing(const QString& label) { return {Kind::missing, 0, label}; }
    // "HTTP <status>" or "HTTP <status>: <excerpt>"
    static IntegrationError http(int status, const QString& excerpt) { return {Kind::http, status, excerpt}; }
    // "Couldn't read <name>."
    static IntegrationError parse(const QString& name) { return {Kind::parse, 0, name}; }
    static IntegrationError badResponse() { return {Kind::badResponse, 0, {}}; }
    // A failure that is not about the service's answer (the network, the data's format), with its own text.
    static IntegrationError system(const QString& description) { return {Kind::system, 0, description}; }
    static IntegrationError cancelled() { return {Kind::cancelled, 0, {}}; }

    Kind kind() const { return m_kind; }
    int status() const { return m_status; }
    bool isCancelled() const { return m_kind == Kind::cancelled; }
    QString description() const;

    friend bool operator==(const IntegrationError&, const IntegrationError&) = default;

private:
    IntegrationError(Kind kind, int status, QString text)
        : m_kind(kind)
        , m_status(status)
        , m_text(std::move(text))
    { }

    Kind m_kind;
    int m_status;
    QString m_text;
};

// A value or the error that kept it from being had.
template <typename T>
class IntegrationResult final
{
public:
    // Nothing had yet, as a coroutine's result slot starts: counts as cancelled.
    IntegrationResult()
        : m_outcome(IntegrationError::cancelled())
    { }
    IntegrationResult(T value)
        : m_outcome(std::move(value))
    { }
    IntegrationResult(IntegrationError error)
        : m_outcome(std::move(error))
    { }

    bool ok() const { return std::holds_alternative<T>(m_outcome); }
    const T& value() const { return std::get<T>(m_outcome); }
    T& value() { return std::get<T>(m_outcome); }
    const IntegrationError& error() const { return std::get<IntegrationError>(m_outcome); }

private:
    std::variant<T, IntegrationError> m_outcome;
};
