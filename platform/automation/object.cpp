#include "platform/automation/object.h"

#include "platform/error.h"
#include "platform/variant.h"

namespace sv::automation {

Object& Value::object() const {
    const ObjectPtr object = toObject(value_);
    if (!object) throw PlatformError(err::kObjectRequired, QStringLiteral("Object required"));
    return *object;
}

Value Value::get(const QString& member, QVariantList& args) const {
    return object().get(member, args);
}

void Value::put(const QString& member, const QVariantList& args, const QVariant& value) const {
    object().put(member, args, value);
}

Value Value::call(const QString& member, QVariantList& args) const {
    return object().call(member, args);
}

QString Value::toText() const {
    return sv::toText(value_);
}

}  // namespace sv::automation
