// Late-bound objects: member access by name, arguments by reference, the platform's errors,
// objects travelling inside QVariant, activation by class name.
#include "platform/automation/basic_object.h"
#include "platform/automation/registry.h"
#include "platform/error.h"
#include "platform/variant.h"

#include <gtest/gtest.h>

using namespace sv;
using namespace sv::automation;

namespace {

QString errorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const PlatformError& e) {
        return QString::number(e.number()) + ' ' + e.description();
    }
    return QStringLiteral("no error");
}

const QString kNotSupported = QStringLiteral("438 Object doesn't support this property or method");
const QString kObjectRequired = QStringLiteral("424 Object required");
const QString kCantCreate = QStringLiteral("429 ActiveX component can't create object");

class FakePane : public BasicObject {
public:
    FakePane() {
        addProperty(
            "Dsn", [this](const QVariantList&) { return dsn; },
            [this](const QVariantList&, const QVariant& v) { dsn = v.toString(); });
        addProperty("Rs",
                    [this](const QVariantList& args) { return args.isEmpty() ? toVariant(rs) : args[0]; });
        // By reference: stamps the text and hands back the pane's record set for the second argument.
        addMethod(
            "AKT_ShowDSN",
            [this](QVariantList& args) {
                args[0] = args[0].toString() + "!";
                args[1] = toVariant(rs);
                return QVariant();
            },
            Passing::ByReference);
        addMethod("Scribble", [](QVariantList& args) {  // by value
            args[0] = QStringLiteral("changed");
            return QVariant(true);
        });
        addMethod("Kinds", [](QVariantList& args) {  // E: Empty (or omitted), N: Null, V: a value
            QString kinds;
            for (int i = 0; i < 3; ++i)
                kinds += isEmptyValue(arg(args, i)) ? 'E' : isNullValue(arg(args, i)) ? 'N' : 'V';
            return QVariant(kinds);
        });
    }
    QString dsn = QStringLiteral("A1");
    ObjectPtr rs = std::make_shared<BasicObject>();
};

class FakeApp : public BasicObject {
public:
    FakeApp() {
        addProperty("Panes", [this](const QVariantList& args) {
            return args.value(0).toString() == "F_AKT" ? toVariant(pane) : QVariant();
        });
    }
    std::shared_ptr<FakePane> pane = std::make_shared<FakePane>();
};

}  // namespace

TEST(Automation, GetPutAndCallReachMembersByNameAndChainThroughObjects) {
    auto app = std::make_shared<FakeApp>();
    const Value pane = Value(app).get("Panes", {"F_AKT"});
    EXPECT_EQ(&pane.object(), app->pane.get());
    EXPECT_EQ(pane.get("Dsn").toText(), "A1");
    pane.put("DSN", QStringLiteral("B2"));  // names in any case
    EXPECT_EQ(app->pane->dsn, "B2");
    // A property read reaches a method and a call reaches a property, as late binding does.
    EXPECT_EQ(pane.get("Kinds", {1, 2, 3}).toText(), "VVV");
    EXPECT_EQ(pane.call("dsn").toText(), "B2");
    EXPECT_EQ(toObject(pane.get("Rs").variant()), app->pane->rs);
    EXPECT_EQ(pane.get("Rs", {7}).variant().toInt(), 7);
    EXPECT_FALSE(Value(QVariant(5)).isObject());
}

TEST(Automation, ArgumentsByReferenceReachTheCallerOnlyWhereTheMemberSaysSo) {
    auto paneObject = std::make_shared<FakePane>();
    QVariantList args{QStringLiteral("D7"), toVariant(std::make_shared<BasicObject>())};
    Value(paneObject).call("AKT_ShowDSN", args);
    EXPECT_EQ(args[0].toString(), "D7!");
    EXPECT_EQ(toObject(args[1]), paneObject->rs);  // an object argument can come back replaced

    QVariantList byValue{QStringLiteral("kept")};
    EXPECT_TRUE(Value(paneObject).call("Scribble", byValue).variant().toBool());
    EXPECT_EQ(byValue[0].toString(), "kept");
}

TEST(Automation, UnknownMembersFailWith438AndAbsentObjectsWith424) {
    const Value pane(std::make_shared<FakePane>());
    EXPECT_EQ(errorOf([&] { pane.get("NoSuch"); }), kNotSupported);
    EXPECT_EQ(errorOf([&] { pane.call("NoSuch"); }), kNotSupported);
    EXPECT_EQ(errorOf([&] { pane.put("Rs", 1); }), kNotSupported);  // read-only
    EXPECT_EQ(errorOf([&] { pane.put("Scribble", 2); }), kNotSupported);

    Value released = pane;
    released.release();
    EXPECT_EQ(errorOf([&] { released.call("Kinds"); }), kObjectRequired);
    EXPECT_EQ(pane.get("Dsn").toText(), "A1");  // other holders keep the object
    EXPECT_EQ(errorOf([] { Value().get("Dsn"); }), kObjectRequired);
    EXPECT_EQ(errorOf([] { Value(std::make_shared<FakeApp>()).get("Panes", {"F_X"}).get("Dsn"); }),
              kObjectRequired);
    EXPECT_EQ(errorOf([] { Value(QVariant("text")).put("Dsn", 1); }), kObjectRequired);
    EXPECT_EQ(errorOf([] { Value(nullVariant()).get("Dsn"); }), kObjectRequired);
    EXPECT_EQ(errorOf([] { Value(ObjectPtr()).get("Dsn"); }), kObjectRequired);
}

TEST(Automation, RegistryCreatesRegisteredClassesAndRefusesOthersWith429) {
    Registry registry;
    registry.add("Velquin.Application", [] { return std::make_shared<FakeApp>(); });
    registry.add("tamberlib10.cUtil", [] { return ObjectPtr(); });
    registry.add("tamberlib10.cdbutil", []() -> ObjectPtr { throw PlatformError(70, "Permission denied"); });

    const Value first = registry.create("velquin.application");
    EXPECT_TRUE(dynamic_cast<FakeApp*>(&first.object()));
    EXPECT_NE(&first.object(),
              &registry.create("Velquin.Application").object());  // one object per activation
    EXPECT_EQ(errorOf([&] { registry.create("Velquin.Other"); }), kCantCreate);
    EXPECT_EQ(errorOf([&] { registry.create("tamberlib10.cUtil"); }), kCantCreate);
    EXPECT_EQ(errorOf([&] { registry.create("tamberlib10.cdbutil"); }), "70 Permission denied");
}

TEST(Automation, NullAndEmptyStayApartThroughACall) {
    const Value pane(std::make_shared<FakePane>());
    EXPECT_EQ(pane.call("Kinds", {nullVariant(), QVariant(), QString()}).toText(), "NEV");
    EXPECT_EQ(pane.call("Kinds", {QVariant(0)}).toText(), "VEE");
    EXPECT_TRUE(isNullValue(pane.get("Rs", {nullVariant()}).variant()));
    EXPECT_TRUE(isEmptyValue(pane.get("Rs", {QVariant()}).variant()));
}
