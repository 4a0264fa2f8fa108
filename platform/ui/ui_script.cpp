#include "platform/ui/ui_script.h"

#include "platform/ui/message_box.h"

#include <QStringList>

namespace sv::ui {

namespace {

[[noreturn]] void fail(int lineNumber, const QString& line, const char* why) {
    throw ScriptSyntaxError(QStringLiteral("UI script line %1: %2: \"%3\"")
                                .arg(lineNumber)
                                .arg(QLatin1String(why), line)
                                .toStdString());
}

ScriptStep parseStep(const QString& line, int lineNumber) {
    const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QString& verb = words.front();
    ScriptStep step;
    step.text = line;
    step.lineNumber = lineNumber;
    if (verb == QLatin1String("answer") && words.size() == 2) {
        const std::optional<int> answer = answerFromName(words[1]);
        if (!answer) fail(lineNumber, line, "unknown answer");
        step.kind = ScriptStep::Kind::Answer;
        step.answer = *answer;
    } else if (verb == QLatin1String("select") && words.size() == 3) {
        bool ok = false;
        step.kind = ScriptStep::Kind::Select;
        step.control = words[1];
        step.index = words[2].toInt(&ok);
        if (!ok || step.index < 0) fail(lineNumber, line, "entry must be a number from 0");
    } else if (verb == QLatin1String("click") && words.size() == 2) {
        step.kind = ScriptStep::Kind::Click;
        step.control = words[1];
    } else if (verb == QLatin1String("close") && words.size() == 1) {
        step.kind = ScriptStep::Kind::Close;
    } else if ((verb == QLatin1String("snapshot") || verb == QLatin1String("wait")) && words.size() >= 2) {
        step.kind = verb == QLatin1String("wait") ? ScriptStep::Kind::Wait : ScriptStep::Kind::Snapshot;
        step.file = line.section(QLatin1Char(' '), 1);  // a path may hold blanks
    } else {
        fail(lineNumber, line, "not a step");
    }
    return step;
}

}  // namespace

UiScript UiScript::parse(const QString& content) {
    UiScript script;
    const QStringList lines = content.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].simplified();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
        script.steps_.push_back(parseStep(line, i + 1));
    }
    return script;
}

std::optional<ScriptStep> UiScript::take() {
    if (steps_.empty()) return std::nullopt;
    ScriptStep step = steps_.front();
    steps_.pop_front();
    return step;
}

}  // namespace sv::ui
