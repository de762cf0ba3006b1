#pragma once

#include <QString>

#include <optional>

// Where boundaries and content ids come from. A generator owns its source and calls it only on
// the thread that runs the generator; tests pass a deterministic one. A source serves one run:
// it asks HostName once, at its first id, and keeps the host part for every later one.
class TUniqueIdSource {
public:
    virtual ~TUniqueIdSource() = default;
    // A new GUID as 8-4-4-4-12 upper-case hexadecimal digits, without braces; new on every call.
    virtual QString NewGuid() = 0;
    // The local host name as the system reports it; may be empty.
    virtual QString HostName() const = 0;

    // "GUID@host" for content ids and "cid:" references; the host reduced as in HostPart.
    QString NewUniqueId();
    // A MIME boundary: the GUID, ".", the host part, at most 70 characters (RFC 2046 5.1.1).
    QByteArray NewBoundary();
    // The host name reduced to letters, digits, "." and "-"; "localhost" when nothing is left.
    const QString& HostPart();

private:
    std::optional<QString> m_hostPart;
};

// GUIDs from QUuid and the host name from QSysInfo.
class TSystemUniqueIdSource final : public TUniqueIdSource {
public:
    QString NewGuid() override;
    QString HostName() const override;
};
