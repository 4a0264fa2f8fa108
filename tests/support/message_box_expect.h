#pragma once
// The message boxes of one run of the real add-in, compared box by box with what the user must see:
// title, text, buttons, icon and default button, in the order they were shown.

#include "support/host_fixture.h"

#include <QFile>

#include <string>
#include <vector>

namespace sv::test {

struct ExpectedBox {
    QString title;
    QString text;
    QString buttons;
    QString icon;
    QString defaultAnswer;
};

// A box with an OK button only; a box without a title of its own shows "Sondervik".
inline ExpectedBox okBox(const QString& title, const QString& text, const QString& icon) {
    return {title, text, QStringLiteral("OK"), icon, QStringLiteral("OK")};
}

// A question with Yes and No, Yes the default.
inline ExpectedBox yesNoQuestion(const QString& title, const QString& text) {
    return {title, text, QStringLiteral("YesNo"), QStringLiteral("question"), QStringLiteral("Yes")};
}

inline std::string shownBoxes(const std::vector<QJsonObject>& boxes) {
    std::string list;
    for (const QJsonObject& box : boxes)
        list += "\n  [" + box.value("title").toString().toStdString() + "] " +
                box.value("text").toString().toStdString();
    return list;
}

// Every message box of the host's last run against the expected ones, in order.
inline void expectBoxes(const HostFixture& host, const std::vector<ExpectedBox>& expected) {
    const std::vector<QJsonObject> shown = host.events(QStringLiteral("msgbox"));
    ASSERT_EQ(shown.size(), expected.size()) << "boxes shown:" << shownBoxes(shown);
    for (size_t i = 0; i < shown.size(); ++i) {
        SCOPED_TRACE("message box " + std::to_string(i + 1) + ": " + expected[i].title.toStdString());
        EXPECT_EQ(shown[i].value("title").toString().toStdString(), expected[i].title.toStdString());
        EXPECT_EQ(shown[i].value("text").toString().toStdString(), expected[i].text.toStdString());
        EXPECT_EQ(shown[i].value("buttons").toString().toStdString(), expected[i].buttons.toStdString());
        EXPECT_EQ(shown[i].value("icon").toString().toStdString(), expected[i].icon.toStdString());
        EXPECT_EQ(shown[i].value("default").toString().toStdString(),
                  expected[i].defaultAnswer.toStdString());
    }
}

// Starts the add-in with a call log of its own, so that host.calls() holds this run's calls only.
inline ToolResult startWithFreshCallLog(HostFixture& host, const QString& word,
                                        const QStringList& scriptSteps = {}) {
    QFile::remove(host.dir() + QStringLiteral("/calls.jsonl"));
    return host.start(word, scriptSteps);
}

}  // namespace sv::test
