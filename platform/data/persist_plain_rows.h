#pragma once
// The data section as nearly every file holds it, read straight from the file's bytes: rows that
// are empty elements of one name whose attribute values need no unescaping and no whitespace
// normalizing. Read through a document, each such row costs a node and a parser call per attribute
// name and value; read here, a pass over its bytes. A section of any other shape is left to the
// document reader, which reads them all.

#include <QByteArrayView>
#include <QtGlobal>

#include <functional>
#include <optional>
#include <vector>

namespace sv::data::plain {

// An attribute of a row as the file spells it, both texts ending in NUL.
struct RawAttribute {
    const char* name;
    const char* value;
    bool asciiValue = false;  // the value is known to be ASCII, so valid UTF-8
};

// Whether the document reader takes the bytes as UTF-8, as they are: they begin with UTF-8's byte
// order mark, or with no declaration of an encoding other than UTF-8. (A head in ASCII says nothing:
// the rows may be in another encoding all the same.)
bool readsAsUtf8(QByteArrayView bytes);

// Where the data section lies in a file that ends with the data element's end tag and the root's
// (whitespace aside); the data element's start tag is taken to be the first tag of its name with
// nothing but attributes in it. Whether it is the data element is for the caller to confirm.
struct DataSection {
    qsizetype nameAt = 0;        // the start tag's name
    qsizetype contentBegin = 0;  // just after the start tag
    qsizetype contentEnd = 0;    // at the end tag's '<'
};
std::optional<DataSection> findDataSection(QByteArrayView bytes);

// The name of the first row of a section's content; empty when the content holds no row or does
// not begin plainly.
QByteArrayView firstRowName(QByteArrayView content);

// Reads content of whitespace and plain rows named `rowName`, handing each row's attributes in
// document order to `row`, their names and values ended with NUL in place. Returns whether all the
// content was that; when it was not, the content is left as it was.
bool readPlainRows(char* begin, char* end, QByteArrayView rowName,
                   const std::function<void(const std::vector<RawAttribute>&)>& row);

}  // namespace sv::data::plain
