#include "core/textfile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <cerrno>
#include <iconv.h>
#include <memory>
#include <mutex>

namespace textfile {

namespace {

const QByteArray Utf8Bom("\xEF\xBB\xBF", 3);

const QByteArray Utf8Replacement("\xEF\xBF\xBD", 3);

enum class Invalid { Fail, Replace };

// Converts with iconv. A byte that does not convert either fails the whole
// conversion or becomes U+FFFD in UTF-8 output, so that a damaged or cut-off
// character spoils only itself.
std::optional<QByteArray> convert(const char* to, const char* from, const QByteArray& input,
                                  Invalid invalid) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    std::unique_ptr<void, int (*)(iconv_t)> guard(cd, iconv_close);

    QByteArray output(input.size() * 4 + 16, Qt::Uninitialized);
    char* in = const_cast<char*>(input.constData());
    size_t inLeft = static_cast<size_t>(input.size());
    char* out = output.data();
    size_t outLeft = static_cast<size_t>(output.size());
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &out, &outLeft) != static_cast<size_t>(-1))
            continue;
        const bool full = errno == E2BIG;
        if (!full && invalid == Invalid::Fail)
            return std::nullopt;
        if (full || outLeft < static_cast<size_t>(Utf8Replacement.size())) {
            const qsizetype used = out - output.data();
            output.resize(output.size() * 2);
            out = output.data() + used;
            outLeft = static_cast<size_t>(output.size() - used);
        }
        if (!full) {
            ++in;
            --inLeft;
            out = std::copy(Utf8Replacement.cbegin(), Utf8Replacement.cend(), out);
            outLeft -= static_cast<size_t>(Utf8Replacement.size());
        }
    }
    output.resize(out - output.data());
    return output;
}

} // namespace

std::optional<QByteArray> toCp932(const QString& text) {
    auto bytes = convert("CP932", "UTF-8", text.toUtf8(), Invalid::Fail);
    // Some characters (the yen sign, the overline) map onto ASCII and would
    // come back as something else: only an exact round trip counts.
    if (!bytes || fromCp932(*bytes) != text)
        return std::nullopt;
    return bytes;
}

QString fromCp932(const QByteArray& bytes) {
    auto utf8 = convert("UTF-8", "CP932", bytes, Invalid::Replace);
    if (!utf8)
        return QString::fromLatin1(bytes);
    return QString::fromUtf8(*utf8);
}

QByteArray encode(const QString& text) {
    if (auto cp932 = toCp932(text))
        return *cp932;
    return Utf8Bom + text.toUtf8();
}

QString decode(const QByteArray& bytes) {
    if (bytes.startsWith(Utf8Bom))
        return QString::fromUtf8(bytes.mid(Utf8Bom.size()));
    return fromCp932(bytes);
}

namespace {

std::mutex faultLock;
WriteFault writeFault;

int injectedFault(const QString& path) {
    const std::lock_guard lock(faultLock);
    return writeFault ? writeFault(path) : 0;
}

} // namespace

void SetWriteFaultForTesting(WriteFault fault) {
    const std::lock_guard lock(faultLock);
    writeFault = std::move(fault);
}

bool writeAtomically(const QString& path, const QByteArray& bytes, QString* error) {
    if (const int fault = injectedFault(path)) {
        if (error)
            *error = qt_error_string(fault);
        return false;
    }
    QSaveFile file(path);
    const auto failed = [&file, error] {
        if (error)
            *error = file.errorString();
        return false;
    };
    if (!file.open(QIODevice::WriteOnly))
        return failed();
    // commit() misses a short write that only shows when the buffer is flushed
    // (a full disk); such a file must not replace the previous one.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        failed();
        file.cancelWriting();
        return false;
    }
    return file.commit() || failed();
}

ReadStatus readAll(const QString& path, QByteArray& bytes) {
    QFileInfo info(path);
    if (!info.exists())
        return ReadStatus::Missing;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return ReadStatus::Failed;
    bytes = file.readAll();
    return file.error() == QFileDevice::NoError ? ReadStatus::Ok : ReadStatus::Failed;
}

QString ReadProblem::describe(const QString& path) const {
    const QString where = QStringLiteral("%1: line %2, field %3: ").arg(path).arg(line).arg(field);
    switch (kind) {
    case Kind::Ended:
        return where + QStringLiteral("the file ends before it; reading stopped");
    case Kind::Damaged:
        return where + QStringLiteral("damaged value; reading stopped");
    case Kind::ReadAsZero:
        break;
    }
    return where + QStringLiteral("no number, read as 0");
}

bool FieldReader::nextField(QString& field, bool& quoted) {
    auto isBreak = [](QChar c) { return c == u'\r' || c == u'\n'; };
    const qsizetype n = text_.size();
    // Blanks and line breaks before a field belong to no field.
    while (pos_ < n && (text_[pos_] == u' ' || text_[pos_] == u'\t' || isBreak(text_[pos_])))
        ++pos_;
    fieldStart_ = pos_;
    ended_ = pos_ >= n;
    if (ended_)
        return false;

    quoted = text_[pos_] == u'"';
    if (quoted) {
        // Two double quotes inside a string stand for one (see FieldWriter).
        QString value;
        qsizetype from = pos_ + 1;
        for (;;) {
            const qsizetype close = text_.indexOf(u'"', from);
            if (close < 0) {
                ended_ = true;
                return false;
            }
            value += QStringView(text_).mid(from, close - from);
            if (close + 1 < n && text_[close + 1] == u'"') {
                value += u'"';
                from = close + 2;
                continue;
            }
            pos_ = close + 1;
            break;
        }
        field = value;
        while (pos_ < n && text_[pos_] != u',' && !isBreak(text_[pos_]))
            ++pos_;
    } else {
        const qsizetype start = pos_;
        while (pos_ < n && text_[pos_] != u',' && !isBreak(text_[pos_]))
            ++pos_;
        field = text_.mid(start, pos_ - start).trimmed();
    }
    // The separator that ends the field: a comma, or one line break (CR LF).
    if (pos_ < n && text_[pos_] == u',') {
        ++pos_;
    } else if (pos_ < n && text_[pos_] == u'\r') {
        ++pos_;
        if (pos_ < n && text_[pos_] == u'\n')
            ++pos_;
    } else if (pos_ < n && text_[pos_] == u'\n') {
        ++pos_;
    }
    return true;
}

int FieldReader::line() const {
    // CR LF, CR alone and LF alone each end one line, as they end a field.
    int line = 1;
    for (qsizetype i = 0; i < fieldStart_; ++i) {
        if (text_[i] == u'\n' ||
            (text_[i] == u'\r' && (i + 1 == text_.size() || text_[i + 1] != u'\n')))
            ++line;
    }
    return line;
}

bool FieldReader::readString(QString& value) {
    QString field;
    bool quoted = false;
    if (!nextField(field, quoted))
        return false;
    value = field;
    return true;
}

bool FieldReader::readNumber(std::int64_t min, std::int64_t max, std::int64_t& value) {
    QString field;
    bool quoted = false;
    if (!nextField(field, quoted) || quoted)
        return false;
    bool ok = false;
    const qlonglong number = field.toLongLong(&ok, 10);
    if (!ok || number < min || number > max)
        return false;
    value = number;
    return true;
}

bool FieldReader::readLong(std::int32_t& value) {
    std::int64_t number = 0;
    if (!readNumber(INT32_MIN, INT32_MAX, number))
        return false;
    value = static_cast<std::int32_t>(number);
    return true;
}

bool FieldReader::readInteger(std::int16_t& value) {
    std::int64_t number = 0;
    if (!readNumber(INT16_MIN, INT16_MAX, number))
        return false;
    value = static_cast<std::int16_t>(number);
    return true;
}

void FieldWriter::separate() {
    if (!lineStart_)
        text_ += u',';
    lineStart_ = false;
}

FieldWriter& FieldWriter::string(const QString& value) {
    separate();
    // A path may hold a double quote on this platform; doubled, it cannot end
    // the string early and shift every later field.
    QString quoted = value;
    quoted.replace(u'"', QStringLiteral("\"\""));
    text_ += u'"' + quoted + u'"';
    return *this;
}

FieldWriter& FieldWriter::number(std::int64_t value) {
    separate();
    text_ += QString::number(value);
    return *this;
}

FieldWriter& FieldWriter::endLine() {
    text_ += QStringLiteral("\r\n");
    lineStart_ = true;
    return *this;
}

} // namespace textfile
