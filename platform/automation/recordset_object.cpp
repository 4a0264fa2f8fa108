#include "platform/automation/recordset_object.h"

#include "platform/error.h"

namespace sv::automation {

namespace {

// One field of a record set. Like the platform's field object it stays tied to its column, and
// Value always means the row the cursor stands on at the time of the read or write.
class FieldObject : public BasicObject {
public:
    FieldObject(std::shared_ptr<data::Recordset> recordset, QString name)
        : recordset_(std::move(recordset)), name_(std::move(name)) {
        addProperty(
            QStringLiteral("Value"), [this](const QVariantList&) { return recordset_->value(name_); },
            [this](const QVariantList&, const QVariant& value) { recordset_->setValue(name_, value); });
        addProperty(QStringLiteral("Name"), [this](const QVariantList&) { return QVariant(name_); });
    }

private:
    std::shared_ptr<data::Recordset> recordset_;
    QString name_;
};

// The field's name as the record set defines it. A field may be taken while the cursor is at
// EOF (only its Value needs a row), so the name is checked against the fields alone.
QString definedFieldName(const data::Recordset& recordset, const QVariant& name) {
    const data::Store& store = recordset.store();
    const auto index = store.fieldIndex(name.toString());
    if (!index)
        throw PlatformError(err::kItemNotFound,
                            QStringLiteral("Item cannot be found in the collection "
                                           "corresponding to the requested name or ordinal."));
    return store.fields[size_t(*index)].name;
}

}  // namespace

RecordsetObject::RecordsetObject(std::shared_ptr<data::Recordset> recordset)
    : recordset_(std::move(recordset)) {
    data::Recordset& rs = *recordset_;
    addProperty(QStringLiteral("Fields"), [this](const QVariantList& args) {
        return toVariant(
            std::make_shared<FieldObject>(recordset_, definedFieldName(*recordset_, arg(args, 0))));
    });
    addProperty(QStringLiteral("RecordCount"),
                [&rs](const QVariantList&) { return QVariant(qint32(rs.recordCount())); });
    addProperty(QStringLiteral("EOF"), [&rs](const QVariantList&) { return QVariant(rs.eof()); });
    addProperty(QStringLiteral("BOF"), [&rs](const QVariantList&) { return QVariant(rs.bof()); });
    addProperty(QStringLiteral("State"), [&rs](const QVariantList&) { return QVariant(rs.state()); });
    addMethod(QStringLiteral("MoveFirst"), [&rs](QVariantList&) {
        rs.moveFirst();
        return QVariant();
    });
    addMethod(QStringLiteral("MoveNext"), [&rs](QVariantList&) {
        rs.moveNext();
        return QVariant();
    });
    addMethod(QStringLiteral("Close"), [&rs](QVariantList&) {
        rs.close();
        return QVariant();
    });
}

ObjectPtr makeRecordsetObject(std::shared_ptr<data::Recordset> recordset) {
    return std::make_shared<RecordsetObject>(std::move(recordset));
}

std::shared_ptr<data::Recordset> recordsetOf(const QVariant& value) {
    const auto object = std::dynamic_pointer_cast<RecordsetObject>(toObject(value));
    return object ? object->recordset() : nullptr;
}

}  // namespace sv::automation
