#include "platform/automation/registry.h"

#include "platform/error.h"

namespace sv::automation {

void Registry::add(const QString& className, Factory factory) {
    factories_[className.toCaseFolded()] = std::move(factory);
}

Value Registry::create(const QString& className) const {
    const auto it = factories_.find(className.toCaseFolded());
    ObjectPtr object = it != factories_.end() && it->second ? it->second() : nullptr;
    if (!object)
        throw PlatformError(err::kCantCreateObject, QStringLiteral("ActiveX component can't create object"));
    return Value(object);
}

}  // namespace sv::automation
