// Every writer of the program replaces its file through one helper: a failed write leaves the old
// file, and a target that is no regular file is never replaced.

#include "FileReplace.h"
#include "FilesFixture.h"
#include "capture/RepeatCompare.h"
#include "files/AnalyzerFile.h"
#include "files/DataFile.h"
#include "files/SettingsFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace seiran;
using namespace seiran::filestest;

namespace {

using Ev = RecordingFrontEnd::EventKind;

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeRaw(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

mode_t typeOf(const QString& path)
{
    struct stat st{};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? (st.st_mode & S_IFMT) : 0;
}

// Everything in a folder, hidden entries too: a failed write leaves no temporary file behind.
QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

// File permissions do not hold for root: checks on a read-only folder run with the file-system
// user id of "nobody" while this object lives (and leave the rest of the test as it was).
class AsUnprivilegedUser {
public:
    AsUnprivilegedUser()
    {
        if (::geteuid() != 0)
            return;
        ::setfsuid(kNobody);
        m_active = true;
    }
    ~AsUnprivilegedUser()
    {
        if (m_active)
            ::setfsuid(0);
    }
    AsUnprivilegedUser(const AsUnprivilegedUser&) = delete;
    AsUnprivilegedUser& operator=(const AsUnprivilegedUser&) = delete;
    // True when the permissions of `file` apply now and it can still be read (its folders can be
    // entered), so a refused write shows the permission check and nothing else.
    bool checksApply(const QString& file) const
    {
        if (m_active && ::setfsuid(uid_t(-1)) != int(kNobody))
            return false;
        const int fd = ::open(QFile::encodeName(file).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return false;
        ::close(fd);
        return true;
    }

private:
    static constexpr uid_t kNobody = 65534;
    bool m_active = false;
};

// A folder the unprivileged user may enter but not write, with an old file in it.
struct ReadOnlyFolder {
    explicit ReadOnlyFolder(const QString& parent)
        : path(QDir(parent).filePath(QStringLiteral("locked"))), file(QDir(path).filePath(QStringLiteral("old.ana")))
    {
        ::chmod(QFile::encodeName(parent).constData(), 0755);
        QDir().mkpath(path);
        writeRaw(file, "old contents\r\n");
        ::chmod(QFile::encodeName(path).constData(), 0555);
    }
    ~ReadOnlyFolder() { ::chmod(QFile::encodeName(path).constData(), 0755); }
    QString path;
    QString file;
};

TEST(FileReplace, TargetsThatAreNoRegularFileAreRefusedUntouched)
{
    FilesFixture f;
    const QString pipe = f.path(QStringLiteral("pipe.ana"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0644), 0) << std::strerror(errno);
    const QString folder = f.path(QStringLiteral("folder.ana"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString linkToPipe = f.path(QStringLiteral("link-to-pipe.ana"));
    ASSERT_TRUE(QFile::link(pipe, linkToPipe));

    struct Case {
        QString path;
        mode_t type;
        const char* kind;
    };
    const Case cases[] = {
        {pipe, S_IFIFO, "名前付きパイプ"},
        {folder, S_IFDIR, "フォルダ"},
        {linkToPipe, S_IFLNK, "名前付きパイプ"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        const QStringList before = entries(f.folder.path());
        const TextFileError error = replaceFileContents(c.path, "data\r\n");
        EXPECT_EQ(error.kind, TextFileErrorKind::NotRegularFile);
        EXPECT_EQ(error.path, c.path);
        EXPECT_TRUE(error.existed);
        EXPECT_EQ(writeFailureText(error), QStringLiteral("ファイルに書き込めません。\n") + c.path
                      + QStringLiteral("\n通常のファイルではありません（") + QString::fromUtf8(c.kind)
                      + QStringLiteral("）。\n元のファイルは変更していません。"));
        EXPECT_EQ(typeOf(c.path), c.type);
        EXPECT_EQ(entries(f.folder.path()), before);
    }
    EXPECT_EQ(typeOf(pipe), mode_t(S_IFIFO)) << "the link's pipe stays a pipe";

    // A device is refused before anything is renamed over it (as root a rename would succeed).
    const TextFileError device = replaceFileContents(QStringLiteral("/dev/full"), "data\r\n");
    EXPECT_EQ(device.kind, TextFileErrorKind::NotRegularFile);
    EXPECT_EQ(device.detail, QStringLiteral("デバイス"));
    EXPECT_EQ(typeOf(QStringLiteral("/dev/full")), mode_t(S_IFCHR));
}

TEST(FileReplace, ALinkToARegularFileStaysALink)
{
    FilesFixture f;
    const QString real = f.path(QStringLiteral("real.ana"));
    writeRaw(real, "old\r\n");
    ::chmod(QFile::encodeName(real).constData(), 0640);
    ASSERT_TRUE(QDir().mkpath(f.path(QStringLiteral("links"))));
    // A relative link in another folder, and a link to that link.
    const QString link = f.path(QStringLiteral("links/link.ana"));
    ASSERT_EQ(::symlink("../real.ana", QFile::encodeName(link).constData()), 0);
    const QString chain = f.path(QStringLiteral("chain.ana"));
    ASSERT_TRUE(QFile::link(link, chain));

    ASSERT_TRUE(replaceFileContents(link, "new\r\n").ok());
    EXPECT_EQ(readAll(real), QByteArray("new\r\n"));
    EXPECT_EQ(typeOf(link), mode_t(S_IFLNK));
    ASSERT_TRUE(replaceFileContents(chain, "newer\r\n").ok());
    EXPECT_EQ(readAll(real), QByteArray("newer\r\n"));
    EXPECT_EQ(typeOf(chain), mode_t(S_IFLNK));
    EXPECT_EQ(typeOf(link), mode_t(S_IFLNK));
    struct stat st{};
    ASSERT_EQ(::stat(QFile::encodeName(real).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640U) << "the replaced file keeps its permissions";
    EXPECT_EQ(entries(f.path(QStringLiteral("links"))), QStringList{QStringLiteral("link.ana")});
}

TEST(FileReplace, AReadOnlyFolderKeepsTheOldFile)
{
    FilesFixture f;
    const ReadOnlyFolder locked(f.folder.path());
    TextFileError error;
    {
        const AsUnprivilegedUser nobody;
        if (!nobody.checksApply(locked.file))
            GTEST_SKIP() << "file permissions cannot be made to apply here";
        error = replaceFileContents(locked.file, "new\r\n");
    }
    EXPECT_EQ(error.kind, TextFileErrorKind::OpenFailed);
    EXPECT_EQ(error.detail, QString::fromLocal8Bit(std::strerror(EACCES)));
    EXPECT_EQ(writeFailureText(error), QStringLiteral("ファイルに書き込めません。\n") + locked.file + u'\n'
                  + error.detail + QStringLiteral("\n元のファイルは変更していません。"));
    EXPECT_EQ(readAll(locked.file), QByteArray("old contents\r\n"));
    EXPECT_EQ(entries(locked.path), QStringList{QStringLiteral("old.ana")});
}

TEST(FileReplace, AFullDiskNamesTheFileAndTheReason)
{
    const int fd = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        GTEST_SKIP() << "/dev/full: " << std::strerror(errno);
    const QString name = QStringLiteral("/data/capture.ana");
    TextFileError error = writeAllBytes(fd, QByteArray(100000, 'x'), name);
    ::close(fd);
    EXPECT_EQ(error.kind, TextFileErrorKind::WriteFailed);
    EXPECT_EQ(error.detail, QString::fromLocal8Bit(std::strerror(ENOSPC)));
    error.existed = true;
    EXPECT_EQ(writeFailureText(error), QStringLiteral("ファイルに書き込めません。\n/data/capture.ana\n")
                                           + QString::fromLocal8Bit(std::strerror(ENOSPC))
                                           + QStringLiteral("\n元のファイルは変更していません。"));
}

// The three writers of the program show the same error and leave the target as it was.
TEST(FileReplace, EveryWriterRefusesAPipeAndKeepsAnOldFile)
{
    FilesFixture f;
    f.setPage(0, 8, 8, 1024, false);
    f.state.pages[0].hasData = true;

    // A data file saved onto a named pipe.
    const QString pipe = f.path(QStringLiteral("pipe.ana"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0644), 0);
    EXPECT_FALSE(SaveDataFile(f.state, 0, pipe));
    EXPECT_EQ(typeOf(pipe), mode_t(S_IFIFO));
    ASSERT_EQ(f.frontEnd.count(Ev::ShowError), 1);
    EXPECT_TRUE(f.frontEnd.texts(Ev::ShowError).last().contains(QStringLiteral("通常のファイルではありません（名前付きパイプ）")));

    // The settings file where a folder has its name.
    ASSERT_TRUE(QDir().mkpath(f.path(kSettingsFileName)));
    f.state.ProgramFolder = f.folder.path();
    EXPECT_FALSE(SaveSettings(f.state));
    ASSERT_EQ(f.frontEnd.count(Ev::ShowError), 2);
    EXPECT_TRUE(f.frontEnd.texts(Ev::ShowError).last().contains(QStringLiteral("通常のファイルではありません（フォルダ）")));
    EXPECT_TRUE(QFileInfo(f.path(kSettingsFileName)).isDir());

    // A settings file and a data file in a read-only folder stay as they were; a repeat-save
    // into it makes no file and says so.
    const ReadOnlyFolder locked(f.folder.path());
    const QString ini = QDir(locked.path).filePath(kSettingsFileName);
    ::chmod(QFile::encodeName(locked.path).constData(), 0755);
    writeRaw(ini, "old settings\r\n");
    ::chmod(QFile::encodeName(locked.path).constData(), 0555);
    f.state.ProgramFolder = locked.path;
    f.state.repeatSave.folder = locked.path;
    f.state.pages[0].repeatCount = 1;
    bool settingsSaved = true;
    bool dataSaved = true;
    {
        const AsUnprivilegedUser nobody;
        if (!nobody.checksApply(locked.file))
            GTEST_SKIP() << "file permissions cannot be made to apply here";
        settingsSaved = SaveSettings(f.state);
        dataSaved = SaveDataFile(f.state, 0, locked.file);
        AutoSaveCapture(f.state, 0);
    }
    EXPECT_FALSE(settingsSaved);
    EXPECT_FALSE(dataSaved);
    EXPECT_EQ(readAll(ini), QByteArray("old settings\r\n"));
    EXPECT_EQ(readAll(locked.file), QByteArray("old contents\r\n"));
    QStringList left = entries(locked.path);
    left.sort();
    EXPECT_EQ(left, (QStringList{kSettingsFileName, QStringLiteral("old.ana")}));
    const QStringList errors = f.frontEnd.texts(Ev::ShowError);
    ASSERT_EQ(errors.size(), 5);
    EXPECT_TRUE(errors[2].startsWith(QStringLiteral("ファイルに書き込めません。\n") + ini));
    EXPECT_TRUE(errors[2].endsWith(QStringLiteral("元のファイルは変更していません。")));
    EXPECT_TRUE(errors[3].endsWith(QStringLiteral("元のファイルは変更していません。")));
    EXPECT_TRUE(errors[4].endsWith(QStringLiteral("ファイルは作成していません。"))) << errors[4].toStdString();
}

} // namespace
