#include "filter.h"

#include "guid_text.h"
#include "platform/error.h"
#include "platform/variant.h"

#include <algorithm>

namespace sv::data {

namespace {

// The length of an all-ASCII text; -1 when it holds other characters.
qsizetype asciiLength(const char* utf8) {
    qsizetype length = 0;
    for (; utf8[length]; ++length)
        if (static_cast<unsigned char>(utf8[length]) >= 0x80) return -1;
    return length;
}

// Case folding leaves ASCII as it is but for the capital letters.
char16_t foldedAscii(char c) {
    return c >= 'A' && c <= 'Z' ? char16_t(c - 'A' + 'a') : char16_t(c);
}

// Case folding, quick for the ASCII texts that keys nearly always are, and in place when the text
// is not shared.
QString folded(QString text) {
    const bool ascii = std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; });
    if (!ascii) return std::move(text).toCaseFolded();
    for (QChar& c : text)
        c = QChar(foldedAscii(char(c.unicode())));
    return text;
}

QString textKey(QString text, FieldType type) {
    if (type == FieldType::Guid)
        if (std::optional<QString> guid = platformGuidText(text)) return folded(std::move(*guid));
    return folded(std::move(text));
}

// A small recursive-descent reader over the filter text.
class FilterParser {
public:
    FilterParser(const QString& text, const Store& store) : text_(text), store_(store) {}

    Filter parse() {
        Filter filter;
        skipSpace();
        if (atEnd()) return filter;
        filter.criteria.push_back(criterion());
        while (!atEnd()) {
            expectKeyword(u"and");
            filter.criteria.push_back(criterion());
        }
        return filter;
    }

private:
    Criterion criterion() {
        Criterion c;
        const QStringView name = fieldName();
        const auto index = store_.fieldIndex(name);
        if (!index)
            throw PlatformError(err::kItemNotFound,
                                QStringLiteral("Item cannot be found in the collection corresponding to the "
                                               "requested name or ordinal. (filter field '%1')")
                                    .arg(name.toString()));
        c.field = *index;
        c.type = store_.fields[size_t(c.field)].type;
        skipSpace();
        if (atEnd() || text_[pos_] != u'=') fail(QStringLiteral("'=' expected"));
        ++pos_;
        skipSpace();
        if (atEnd()) fail(QStringLiteral("value expected"));
        if (text_[pos_] == u'\'') {
            c.text = textKey(quotedText(), c.type);
        } else {
            c.numeric = true;
            c.number = number();
        }
        skipSpace();
        return c;
    }

    QStringView fieldName() {
        skipSpace();
        if (!atEnd() && text_[pos_] == u'[') {
            const qsizetype close = text_.indexOf(u']', pos_ + 1);
            if (close < 0) fail(QStringLiteral("']' expected"));
            const QStringView name = QStringView(text_).mid(pos_ + 1, close - pos_ - 1);
            pos_ = close + 1;
            return name;
        }
        const qsizetype start = pos_;
        while (!atEnd() && (text_[pos_].isLetterOrNumber() || text_[pos_] == u'_'))
            ++pos_;
        if (pos_ == start) fail(QStringLiteral("field name expected"));
        return QStringView(text_).mid(start, pos_ - start);
    }

    QString quotedText() {
        QString value;
        ++pos_;  // opening quote
        while (true) {
            const qsizetype quote = text_.indexOf(u'\'', pos_);
            if (quote < 0) {
                pos_ = text_.size();
                fail(QStringLiteral("unterminated text"));
            }
            value += QStringView(text_).mid(pos_, quote - pos_);
            pos_ = quote + 1;
            if (atEnd() || text_[pos_] != u'\'') return value;
            value += u'\'';  // a doubled quote stands for one
            ++pos_;
        }
    }

    double number() {
        const qsizetype start = pos_;
        if (!atEnd() && (text_[pos_] == u'-' || text_[pos_] == u'+')) ++pos_;
        while (!atEnd() && (text_[pos_].isDigit() || text_[pos_] == u'.'))
            ++pos_;
        bool ok = false;
        const double value = text_.mid(start, pos_ - start).toDouble(&ok);
        if (!ok) fail(QStringLiteral("number or quoted text expected"));
        return value;
    }

    void expectKeyword(QStringView keyword) {
        const qsizetype start = pos_;
        while (!atEnd() && text_[pos_].isLetter())
            ++pos_;
        if (QStringView(text_).mid(start, pos_ - start).compare(keyword, Qt::CaseInsensitive) != 0 ||
            atEnd() || !text_[pos_].isSpace()) {
            pos_ = start;
            fail(QStringLiteral("'AND' expected"));
        }
    }

    void skipSpace() {
        while (!atEnd() && text_[pos_].isSpace())
            ++pos_;
    }
    bool atEnd() const { return pos_ >= text_.size(); }

    [[noreturn]] void fail(const QString& what) const {
        throw PlatformError(
            err::kBadArgument,
            QStringLiteral("Arguments are of the wrong type, are out of acceptable range, or are "
                           "in conflict with one another. (filter \"%1\", position %2: %3)")
                .arg(text_)
                .arg(pos_ + 1)
                .arg(what));
    }

    const QString& text_;
    const Store& store_;
    qsizetype pos_ = 0;
};

}  // namespace

QString filterKey(const QVariant& value, FieldType type) {
    return textKey(toText(value), type);
}

QString textFilterKey(const char* utf8) {
    return folded(QString::fromUtf8(utf8));
}

bool Criterion::matchesText(const char* utf8) const {
    if (numeric) return matches(QString::fromUtf8(utf8));
    const qsizetype length = asciiLength(utf8);
    if (length < 0) return QString::fromUtf8(utf8).toCaseFolded() == text;
    if (length != text.size()) return false;
    for (qsizetype i = 0; i < length; ++i)
        if (foldedAscii(utf8[i]) != text[i].unicode()) return false;
    return true;
}

bool Criterion::matches(const QVariant& value) const {
    if (!value.isValid() || value.isNull()) return false;
    if (!numeric) return filterKey(value, type) == text;
    bool ok = false;
    const double actual = value.typeId() == QMetaType::Bool ? (value.toBool() ? 1.0 : 0.0)
                                                            : toText(value).trimmed().toDouble(&ok);
    return (ok || value.typeId() == QMetaType::Bool) && actual == number;
}

bool Filter::matches(const Row& row) const {
    for (const Criterion& c : criteria) {
        // A cell still spelled as the file has it is compared as it is.
        const char* text = row.pendingText(size_t(c.field));
        if (!(text ? c.matchesText(text) : c.matches(row[size_t(c.field)]))) return false;
    }
    return true;
}

Filter parseFilter(const QString& text, const Store& store) {
    return FilterParser(text, store).parse();
}

}  // namespace sv::data
