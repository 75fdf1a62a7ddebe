#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>
#include <vector>

namespace seiran {

// Every text file of the program (configurations, definitions, exports) is code page 932
// (Shift-JIS, Microsoft variant) with CR LF line ends, so files stay interchangeable with the
// instruments' other tools. Nothing here ever substitutes a character: a text that cannot be
// converted exactly is an error the caller shows to the user.

// NotRegularFile: a write target that exists but is no regular file (a folder, a pipe, a device).
enum class TextFileErrorKind { None, OpenFailed, ReadFailed, InvalidBytes, Unencodable, WriteFailed, NotRegularFile };

struct TextFileError {
    TextFileErrorKind kind = TextFileErrorKind::None;
    QString path;
    int line = -1;        // 0-based line index where the problem is, -1 when not line-bound
    int column = -1;      // 0-based index in that line (Unencodable: the offending character)
    QString character;    // Unencodable: the character (a surrogate pair stays whole)
    QString detail;       // the system's error text for open/read/write failures; NotRegularFile: what it is
    bool existed = false; // writes: the target existed (and was left as it was)
    bool ok() const { return kind == TextFileErrorKind::None; }
};

struct TextLines {
    QStringList lines;
    TextFileError error;
    bool ok() const { return error.ok(); }
};

// nullopt when some character has no CP932 form; *badIndex is then its UTF-16 index.
std::optional<QByteArray> encodeCp932(QStringView text, int* badIndex = nullptr);
// nullopt on an invalid byte sequence; *badIndex is then the index of its first byte.
std::optional<QString> decodeCp932(QByteArrayView bytes, int* badIndex = nullptr);

// The lines of a text: CR LF ends a line, and so does a lone LF or CR (files edited elsewhere). A
// final line without a terminator counts; the empty text after the last terminator is not a line.
std::vector<QStringView> splitTextLines(QStringView text);

// A read or write error of `path` of the given kind.
TextFileError makeTextFileError(TextFileErrorKind kind, const QString& path, const QString& detail);

// The lines of the file, split as splitTextLines does.
TextLines readCp932Lines(const QString& path);

// Every line followed by CR LF. All lines are converted before anything is written, and the file
// is replaced in one step (replaceFileContents), so on any error the old file stays as it was.
TextFileError writeCp932Lines(const QString& path, const QStringList& lines);

} // namespace seiran
