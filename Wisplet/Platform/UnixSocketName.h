#pragma once

#include <QByteArray>
#include <QByteArrayView>

// The name of a unix socket as the kernel gives it (getsockname, getpeername, sock_diag's UNIX_DIAG_NAME):
// a path, which may come with its closing NUL and what follows it, or an abstract name, which starts with a
// NUL and holds exactly its given bytes (NULs included). Names are compared in this form: a path without
// its NUL, an abstract name as "\0name".
namespace UnixSocketName {

// Empty for an unnamed socket.
QByteArray fromKernel(QByteArrayView raw);

} // namespace UnixSocketName
