#include "FileReplace.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace seiran {

namespace {

// Links followed before giving up, as the system does (ELOOP).
constexpr int kMaxLinkHops = 40;
// One write() call at most; larger ones are split.
constexpr qsizetype kMaxWriteChunk = qsizetype(1) << 30;

TextFileError systemError(TextFileErrorKind kind, const QString& path, int errorNumber)
{
    TextFileError error;
    error.kind = kind;
    error.path = path;
    error.detail = QString::fromLocal8Bit(std::strerror(errorNumber));
    return error;
}

QByteArray folderOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

// The file a path names after following its links; `exists` false when nothing is there (a new
// file, or a link to a file not made yet), errorNumber set when the path cannot be looked at.
struct Target {
    QByteArray path;
    bool exists = false;
    struct stat status{};
    int errorNumber = 0;
};

Target resolveTarget(QByteArray path)
{
    Target target;
    for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
        target.path = path;
        if (::lstat(path.constData(), &target.status) != 0) {
            if (errno != ENOENT)
                target.errorNumber = errno;
            return target;
        }
        if (!S_ISLNK(target.status.st_mode)) {
            target.exists = true;
            return target;
        }
        QByteArray link(qsizetype(target.status.st_size > 0 ? target.status.st_size : 4096) + 1, '\0');
        const ssize_t length = ::readlink(path.constData(), link.data(), std::size_t(link.size()));
        if (length < 0 || length >= link.size()) {
            target.errorNumber = length < 0 ? errno : ENAMETOOLONG;
            return target;
        }
        link.truncate(length);
        path = link.startsWith('/') ? link : folderOf(path) + '/' + link;
    }
    target.errorNumber = ELOOP;
    return target;
}

QString kindText(mode_t mode)
{
    if (S_ISDIR(mode))
        return QStringLiteral("フォルダ");
    if (S_ISFIFO(mode))
        return QStringLiteral("名前付きパイプ");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("デバイス");
    if (S_ISSOCK(mode))
        return QStringLiteral("ソケット");
    return QStringLiteral("特殊なファイル");
}

TextFileError notRegular(const QString& path, mode_t mode)
{
    TextFileError error;
    error.kind = TextFileErrorKind::NotRegularFile;
    error.path = path;
    error.detail = kindText(mode);
    error.existed = true;
    return error;
}

// The permissions a new file gets: what the process's umask leaves of rw-rw-rw-.
mode_t newFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Writes and flushes the temporary file; on failure the caller removes it.
TextFileError fillTemporary(int fd, QByteArrayView bytes, const QString& path, const Target& target)
{
    if (target.exists) {
        // The new file keeps the old one's permissions and, where allowed, its owner.
        if (::fchown(fd, target.status.st_uid, target.status.st_gid) != 0) {
            // Not allowed for this user: the file becomes the user's own.
        }
        if (::fchmod(fd, target.status.st_mode & 07777) != 0) {
            // The temporary file's own mode (owner only) is the safe side.
        }
    } else if (::fchmod(fd, newFileMode()) != 0) {
        // As above.
    }
    TextFileError error = writeAllBytes(fd, bytes, path);
    // A full disk may only show when the data are flushed.
    if (error.ok() && ::fsync(fd) != 0)
        error = systemError(TextFileErrorKind::WriteFailed, path, errno);
    if (::close(fd) != 0 && error.ok())
        error = systemError(TextFileErrorKind::WriteFailed, path, errno);
    return error;
}

void syncFolder(const QByteArray& folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    if (::fsync(fd) != 0) {
        // The file itself is flushed; the folder entry follows with the system's own writeback.
    }
    ::close(fd);
}

} // namespace

TextFileError writeAllBytes(int fd, QByteArrayView bytes, const QString& path)
{
    const char* next = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, next, std::size_t(std::min(left, kMaxWriteChunk)));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return systemError(TextFileErrorKind::WriteFailed, path, errno);
        }
        if (written == 0)
            return systemError(TextFileErrorKind::WriteFailed, path, ENOSPC);
        next += written;
        left -= written;
    }
    return {};
}

TextFileError replaceFileContents(const QString& path, QByteArrayView bytes)
{
    const Target target = resolveTarget(QFile::encodeName(path));
    if (target.errorNumber != 0)
        return systemError(TextFileErrorKind::OpenFailed, path, target.errorNumber);
    if (target.exists && !S_ISREG(target.status.st_mode))
        return notRegular(path, target.status.st_mode);

    // Beside the target, so the rename stays on one file system. A short name of its own: the
    // target's name may already be as long as a name can be.
    const QByteArray folder = folderOf(target.path);
    QByteArray temporary = folder + QByteArrayLiteral("/.seiran-XXXXXX");
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        TextFileError error = systemError(TextFileErrorKind::OpenFailed, path, errno);
        error.existed = target.exists;
        return error;
    }
    TextFileError error = fillTemporary(fd, bytes, path, target);
    if (error.ok()) {
        // Looked at again just before the rename: something else may have taken the name.
        struct stat now{};
        if (::lstat(target.path.constData(), &now) == 0 && !S_ISREG(now.st_mode))
            error = notRegular(path, now.st_mode);
        else if (::rename(temporary.constData(), target.path.constData()) != 0)
            error = systemError(TextFileErrorKind::WriteFailed, path, errno);
    }
    if (!error.ok()) {
        ::unlink(temporary.constData());
        error.existed = error.existed || target.exists;
        return error;
    }
    syncFolder(folder);
    return {};
}

QString writeFailureText(const TextFileError& error)
{
    QString text = QStringLiteral("ファイルに書き込めません。\n") + QDir::toNativeSeparators(error.path);
    switch (error.kind) {
    case TextFileErrorKind::Unencodable:
        text += QStringLiteral("\n%1行目の文字「%2」はShift-JISで書けません。").arg(error.line + 1).arg(error.character);
        break;
    case TextFileErrorKind::NotRegularFile:
        text += QStringLiteral("\n通常のファイルではありません（%1）。").arg(error.detail);
        break;
    default:
        if (!error.detail.isEmpty())
            text += u'\n' + error.detail;
        break;
    }
    text += error.existed ? QStringLiteral("\n元のファイルは変更していません。")
                          : QStringLiteral("\nファイルは作成していません。");
    return text;
}

} // namespace seiran
