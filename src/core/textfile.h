// The program's two settings files are text in code page 932 with CR LF line
// ends. A text that code page 932 cannot carry exactly (a path with "ü" or an
// emoji) is written as UTF-8 behind a byte-order mark instead, so nothing is
// ever corrupted; the reader takes either form.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

namespace textfile {

// Code page 932 bytes of text, or nothing when a character does not survive
// the round trip.
std::optional<QByteArray> toCp932(const QString& text);
QString fromCp932(const QByteArray& bytes);

// The bytes to store for text: code page 932 where exact, else UTF-8 with BOM.
QByteArray encode(const QString& text);
QString decode(const QByteArray& bytes);

// Replaces the file in one step (temporary file, then rename), so a crash or
// a full disk leaves the previous file intact. False when nothing was written;
// error then says why, as the system put it.
bool writeAtomically(const QString& path, const QByteArray& bytes, QString* error = nullptr);

// Root may write where the user may not, so tests and the soak inject the
// failures of a read-only folder or a file without write permission here:
// while set, fault answers for each path the errno to fail with, or 0 to
// write. Any thread may write; an empty function ends the faults.
using WriteFault = std::function<int(const QString& path)>;
void SetWriteFaultForTesting(WriteFault fault);

enum class ReadStatus { Ok, Missing, Failed };
ReadStatus readAll(const QString& path, QByteArray& bytes);

// The first damage found in a file, for the one warning it leaves.
struct ReadProblem {
    enum class Kind {
        Ended,      // reading stopped: no field was left (or a string was left open)
        Damaged,    // reading stopped: the field does not fit its variable
        ReadAsZero, // reading went on: a number field that holds no number counts as 0
    };
    int line = 0;  // from 1
    QString field; // the variable the field was meant for
    Kind kind = Kind::Ended;
    QString describe(const QString& path) const;
};

// Reads comma- and line-separated fields as one stream: a field ends at a comma
// or a line break; a field that opens with a double quote is a string running
// to the next double quote, where two double quotes in a row stand for one.
// Every read returns false once the stream has ended or the field does not fit
// the requested type; the value is then left as it was.
class FieldReader {
  public:
    explicit FieldReader(QString text) : text_(std::move(text)) {}

    bool readString(QString& value);
    bool readLong(std::int32_t& value);
    bool readInteger(std::int16_t& value);

    // Where the last read looked: the line (from 1) its field starts on, and
    // whether it found the text ended (or a string left open) instead.
    int line() const;
    bool ended() const { return ended_; }

  private:
    bool nextField(QString& field, bool& quoted);
    bool readNumber(std::int64_t min, std::int64_t max, std::int64_t& value);

    QString text_;
    qsizetype pos_ = 0;
    qsizetype fieldStart_ = 0;
    bool ended_ = false;
};

// Builds the lines of a file the way the reader expects them. A string's own
// double quotes are doubled; strings without one are written as they are.
class FieldWriter {
  public:
    FieldWriter& string(const QString& value);
    FieldWriter& number(std::int64_t value);
    FieldWriter& endLine();
    const QString& text() const { return text_; }

  private:
    void separate();

    QString text_;
    bool lineStart_ = true;
};

} // namespace textfile
