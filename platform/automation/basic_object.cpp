#include "platform/automation/basic_object.h"

#include "platform/error.h"

namespace sv::automation {

namespace {

[[noreturn]] void throwNotSupported() {
    throw PlatformError(err::kNotSupported, QStringLiteral("Object doesn't support this property or method"));
}

}  // namespace

QVariant BasicObject::get(const QString& member, QVariantList& args) {
    const Member& m = find(member);
    if (m.getter) return m.getter(args);
    if (m.method) return invoke(m, args);
    throwNotSupported();
}

void BasicObject::put(const QString& member, const QVariantList& args, const QVariant& value) {
    const Member& m = find(member);
    if (!m.setter) throwNotSupported();
    m.setter(args, value);
}

QVariant BasicObject::call(const QString& member, QVariantList& args) {
    const Member& m = find(member);
    if (m.method) return invoke(m, args);
    if (m.getter) return m.getter(args);
    throwNotSupported();
}

void BasicObject::addProperty(const QString& name, Getter getter, Setter setter) {
    Member& m = members_[name.toCaseFolded()];
    m.getter = std::move(getter);
    m.setter = std::move(setter);
}

void BasicObject::addMethod(const QString& name, Method method, Passing passing) {
    Member& m = members_[name.toCaseFolded()];
    m.method = std::move(method);
    m.passing = passing;
}

QVariant BasicObject::arg(const QVariantList& args, int index) {
    return index >= 0 && index < args.size() ? args.at(index) : QVariant();
}

const BasicObject::Member& BasicObject::find(const QString& name) const {
    const auto it = members_.find(name.toCaseFolded());
    if (it == members_.end()) throwNotSupported();
    return it->second;
}

QVariant BasicObject::invoke(const Member& member, QVariantList& args) {
    if (member.passing == Passing::ByReference) return member.method(args);
    QVariantList copy = args;
    return member.method(copy);
}

}  // namespace sv::automation
