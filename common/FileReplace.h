#pragma once

#include "Cp932Text.h"

#include <QByteArrayView>
#include <QString>

namespace seiran {

// Every file the program writes goes through replaceFileContents: the bytes go to a temporary
// file beside the target, are flushed to the disk and only then renamed over the target, so a
// write that fails half way (a full disk, a vanished folder) leaves the old file as it was.
//
// The target must be a regular file or not exist yet. A symbolic link is followed: the file it
// points to is replaced and the link stays a link. Anything else (a folder, a named pipe, a
// device such as /dev/full) is refused untouched: renaming a file over it would destroy it, and
// writing into it directly could block or lose the data.
TextFileError replaceFileContents(const QString& path, QByteArrayView bytes);

// Writes all bytes to an open descriptor, going on after short writes and interruptions. A
// failure carries the system's text ("No space left on device"), kind WriteFailed, and path.
TextFileError writeAllBytes(int fd, QByteArrayView bytes, const QString& path);

// The error box text of a failed write: what could not be written, why, and that the file the
// name had before is unchanged (or that none was made).
QString writeFailureText(const TextFileError& error);

} // namespace seiran
