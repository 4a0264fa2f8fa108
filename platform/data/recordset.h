#pragma once
// A record set with the client-cursor semantics the program relies on: the whole result is held
// in memory, RecordCount is exact at once, rows keep the query's order, a filter narrows the rows
// the cursor sees, and the store can be saved to and opened from the XML persistence format.

#include "filter.h"
#include "store.h"

#include <QHash>
#include <QString>
#include <QVarLengthArray>
#include <QVariant>
#include <optional>
#include <vector>

namespace sv::data {

class Connection;

// The platform's numbers for the settings the program passes.
namespace ado {
inline constexpr int kUnspecified = -1;
inline constexpr int kOpenForwardOnly = 0;
inline constexpr int kOpenKeyset = 1;
inline constexpr int kLockReadOnly = 1;
inline constexpr int kLockOptimistic = 3;
inline constexpr int kLockBatchOptimistic = 4;
inline constexpr int kUseServer = 2;
inline constexpr int kUseClient = 3;
inline constexpr int kCmdFile = 256;
inline constexpr int kPersistXml = 1;
inline constexpr int kStateClosed = 0;
inline constexpr int kStateOpen = 1;
inline constexpr char kPersistProvider[] = "Provider=MSPersist;";
}  // namespace ado

class Recordset {
public:
    // Settings made before Open, as the program sets them on a new record set.
    void setActiveConnection(Connection* connection) { connection_ = connection; }
    void setSource(const QString& source) { source_ = source; }
    void setCursorType(int type) { cursorType_ = type; }
    void setCursorLocation(int location) { cursorLocation_ = location; }
    void setLockType(int type) { lockType_ = type; }
    int cursorType() const { return cursorType_; }
    int cursorLocation() const { return cursorLocation_; }
    int lockType() const { return lockType_; }

    // Opens with the source and connection set before. A source runs as SQL on the active
    // connection; without a connection it names a persisted file.
    void open();
    // Opens a SQL statement on a connection.
    void open(const QString& source, Connection* connection, int cursorType = ado::kUnspecified,
              int lockType = ado::kUnspecified, int options = ado::kUnspecified);
    // Opens a persisted file: connection text "Provider=MSPersist;" (or empty), option 256 or left out.
    void open(const QString& path, const QString& connectionText, int cursorType = ado::kUnspecified,
              int lockType = ado::kUnspecified, int options = ado::kUnspecified);
    // Opens a store held in memory (for the host's own record sets and for tests).
    void open(Store store);
    void close();
    int state() const { return isOpen_ ? ado::kStateOpen : ado::kStateClosed; }

    long recordCount() const;
    bool eof() const;
    bool bof() const;
    void moveFirst();
    void moveNext();
    void move(long offset);

    // Field values of the current row, by name without regard to letter case. A name the store
    // does not define fails with err::kItemNotFound; a field the store does not allow to be
    // written fails with err::kFieldNotWritable.
    QVariant value(const QString& field) const;
    void setValue(const QString& field, const QVariant& value);
    std::vector<QString> fieldNames() const;

    void setFilter(const QString& filter);
    const QString& filter() const { return filterText_; }

    void addNew();
    void update();

    // Writes every row, whatever the filter, atomically.
    void save(const QString& path, int persistFormat = ado::kPersistXml) const;

    const Store& store() const;

private:
    // filter key -> rows, ascending; a key of one row, as most are, needs no allocation of its own
    using Index = QHash<QString, QVarLengthArray<int, 1>>;

    void openStore(Store store);
    void requireOpen() const;
    int currentRow() const;
    int fieldIndexOrThrow(const QString& field) const;
    std::vector<int> rowsMatching(const Filter& filter);
    // The field's index; nullptr the first time a filter on the field asks for it.
    const Index* indexFor(int field);
    void reindex(int field, int row, const QVariant& oldValue, const QVariant& newValue);

    Connection* connection_ = nullptr;
    QString source_;
    int cursorType_ = ado::kOpenForwardOnly;
    int cursorLocation_ = ado::kUseServer;
    int lockType_ = ado::kLockReadOnly;

    bool isOpen_ = false;
    Store store_;
    QString filterText_;
    std::vector<int> view_;                      // rows the cursor sees, in store order (new rows appended)
    long position_ = 0;                          // index into view_; view_.size() is EOF, -1 is BOF
    std::vector<std::optional<Index>> indexes_;  // per field, built on the second use by a text criterion
    std::vector<bool> filteredOnce_;             // per field: a text criterion has used it
};

}  // namespace sv::data
