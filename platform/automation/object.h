#pragma once
// Late-bound automation objects: members are reached by name at run time, with QVariant
// arguments. Object is the interface every backend implements (the emulated host's objects,
// or a bridge to a real automation server); Value is what callers hold and chain calls on.

#include <QMetaType>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <memory>

namespace sv::automation {

class Object {
public:
    virtual ~Object() = default;

    // Arguments are handed over as one list that the callee may change: a member that takes
    // an argument by reference writes its new value into the list, and the caller reads it
    // from there. A member that takes its arguments by value leaves the list untouched.
    // An unknown member throws PlatformError(438). The empty name stands for the default
    // member, as in `Rs("ART_DSN")`.
    virtual QVariant get(const QString& member, QVariantList& args) = 0;
    virtual void put(const QString& member, const QVariantList& args, const QVariant& value) = 0;
    virtual QVariant call(const QString& member, QVariantList& args) = 0;
};

using ObjectPtr = std::shared_ptr<Object>;

}  // namespace sv::automation

// Lets a property return an object (a pane, a record set) inside a QVariant.
Q_DECLARE_METATYPE(sv::automation::ObjectPtr)

namespace sv::automation {

inline QVariant toVariant(const ObjectPtr& object) {
    return QVariant::fromValue(object);
}

// The object a variant holds; nullptr when it holds none (Empty, Null, a plain value).
inline ObjectPtr toObject(const QVariant& v) {
    return v.metaType() == QMetaType::fromType<ObjectPtr>() ? v.value<ObjectPtr>() : nullptr;
}

// A value as a late-bound call hands it out: an object or a plain value (text, number, Null,
// Empty). Members are called on it by name; calling one on anything but a live object throws
// PlatformError(424). Copies share the object.
//
//   host.get("Panes", {name}).get("Rs")           property with an argument, then a property
//   QVariantList args{dsn}; app.call("AKT_ShowDSN", args);   args[0] now holds what the callee left
class Value {
public:
    Value() = default;  // Empty, "Nothing" as an object
    Value(QVariant value) : value_(std::move(value)) {}
    Value(const ObjectPtr& object) : value_(toVariant(object)) {}

    Value get(const QString& member, QVariantList& args) const;
    Value get(const QString& member, QVariantList&& args = {}) const { return get(member, args); }
    void put(const QString& member, const QVariant& value) const { put(member, {}, value); }
    void put(const QString& member, const QVariantList& args, const QVariant& value) const;
    Value call(const QString& member, QVariantList& args) const;
    Value call(const QString& member, QVariantList&& args = {}) const { return call(member, args); }

    bool isObject() const { return toObject(value_) != nullptr; }
    // The object itself; throws PlatformError(424) when this holds none.
    Object& object() const;
    const QVariant& variant() const { return value_; }
    QString toText() const;

    // Drops this reference; the object goes when no one else holds it.
    void release() { value_ = QVariant(); }

private:
    QVariant value_;
};

}  // namespace sv::automation
