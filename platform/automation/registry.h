#pragma once
// Activation of automation objects by class name. Each run owns one registry; whoever
// provides a class (the emulated host, a bridge to a real server) registers its factory.

#include "platform/automation/object.h"

#include <functional>
#include <map>

namespace sv::automation {

class Registry {
public:
    using Factory = std::function<ObjectPtr()>;

    // Registers or replaces the factory of a class. Class names match without regard to case.
    void add(const QString& className, Factory factory);

    // A new object of the class. Throws PlatformError(429) when the class is unknown or its
    // factory gives no object; an error the factory raises itself travels on unchanged.
    Value create(const QString& className) const;

private:
    std::map<QString, Factory> factories_;  // keyed by the case-folded name
};

}  // namespace sv::automation
