#pragma once
// A base for automation objects written in C++: each object declares its members once, as a
// table of names mapped to lambdas. Names are matched without regard to letter case, as
// late binding does.

#include "platform/automation/object.h"

#include <functional>
#include <map>

namespace sv::automation {

class BasicObject : public Object {
public:
    // A property read also reaches a method and a method call also reaches a property, as a
    // late-bound call does: `x = obj.Member(a)` works for either kind.
    QVariant get(const QString& member, QVariantList& args) override;
    void put(const QString& member, const QVariantList& args, const QVariant& value) override;
    QVariant call(const QString& member, QVariantList& args) override;

protected:
    using Getter = std::function<QVariant(const QVariantList& args)>;
    using Setter = std::function<void(const QVariantList& args, const QVariant& value)>;
    using Method = std::function<QVariant(QVariantList& args)>;

    // ByReference: what the method writes into its argument list reaches the caller.
    // ByValue: the method works on a copy, whatever it writes.
    enum class Passing { ByValue, ByReference };

    // A property without a setter is read-only: putting it fails like an unknown member.
    void addProperty(const QString& name, Getter getter, Setter setter = {});
    void addMethod(const QString& name, Method method, Passing passing = Passing::ByValue);

    // Argument `index` (from 0); Empty when the caller passed fewer, as for an omitted
    // optional argument.
    static QVariant arg(const QVariantList& args, int index);

private:
    struct Member {
        Getter getter;
        Setter setter;
        Method method;
        Passing passing = Passing::ByValue;
    };

    const Member& find(const QString& name) const;
    static QVariant invoke(const Member& member, QVariantList& args);

    std::map<QString, Member> members_;  // keyed by the case-folded name
};

}  // namespace sv::automation
