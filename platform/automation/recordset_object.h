#pragma once
// A record set as the host hands it out over automation: Fields(name) gives a field object whose
// Value reads and writes the current row, beside the cursor members RecordCount, EOF, BOF,
// MoveFirst, MoveNext, Close and State. The Recordset is shared, so that host code can take it
// back from a value it is handed (UpdateRecordSet does).

#include "platform/automation/basic_object.h"
#include "platform/data/recordset.h"

#include <memory>

namespace sv::automation {

class RecordsetObject : public BasicObject {
public:
    explicit RecordsetObject(std::shared_ptr<data::Recordset> recordset);

    const std::shared_ptr<data::Recordset>& recordset() const { return recordset_; }

private:
    std::shared_ptr<data::Recordset> recordset_;
};

// A new automation object over the record set.
ObjectPtr makeRecordsetObject(std::shared_ptr<data::Recordset> recordset);

// The record set behind a value; nullptr when the value holds no RecordsetObject.
std::shared_ptr<data::Recordset> recordsetOf(const QVariant& value);

}  // namespace sv::automation
