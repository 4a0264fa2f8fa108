#include "platform/ui/message_box.h"

#include "platform/error.h"

#include <array>

namespace sv::ui {

namespace {

constexpr long kInvalidCall = 5;  // the platform's "Invalid procedure call or argument"

struct ButtonGroup {
    const char* name;
    std::vector<int> answers;
};

const std::array<ButtonGroup, 6>& buttonGroups() {
    static const std::array<ButtonGroup, 6> groups{{
        {"OK", {mb::kOk}},
        {"OKCancel", {mb::kOk, mb::kCancel}},
        {"AbortRetryIgnore", {mb::kAbort, mb::kRetry, mb::kIgnore}},
        {"YesNoCancel", {mb::kYes, mb::kNo, mb::kCancel}},
        {"YesNo", {mb::kYes, mb::kNo}},
        {"RetryCancel", {mb::kRetry, mb::kCancel}},
    }};
    return groups;
}

const std::array<const char*, 8> kAnswerNames{"", "OK", "Cancel", "Abort", "Retry", "Ignore", "Yes", "No"};

MessageIcon iconOf(int style) {
    switch (style & 0xF0) {
        case mb::kCritical:
            return MessageIcon::Critical;
        case mb::kQuestion:
            return MessageIcon::Question;
        case mb::kExclamation:
            return MessageIcon::Exclamation;
        case mb::kInformation:
            return MessageIcon::Information;
        default:
            return MessageIcon::None;
    }
}

}  // namespace

MessageBoxStyle decodeStyle(int style) {
    const int group = style & 0x0F;
    if (style < 0 || group >= int(buttonGroups().size()))
        throw PlatformError(kInvalidCall, QStringLiteral("Invalid procedure call or argument"));
    const ButtonGroup& buttons = buttonGroups()[group];
    const std::size_t defaultIndex = (style & 0xF00) >> 8;
    MessageBoxStyle result;
    result.buttonsName = QString::fromLatin1(buttons.name);
    result.answers = buttons.answers;
    result.icon = iconOf(style);
    result.defaultAnswer = buttons.answers[defaultIndex < buttons.answers.size() ? defaultIndex : 0];
    return result;
}

QString answerName(int answer) {
    return answer > 0 && answer < int(kAnswerNames.size()) ? QString::fromLatin1(kAnswerNames[answer])
                                                           : QString();
}

std::optional<int> answerFromName(const QString& name) {
    for (int answer = mb::kOk; answer < int(kAnswerNames.size()); ++answer)
        if (name.compare(QLatin1String(kAnswerNames[answer]), Qt::CaseInsensitive) == 0) return answer;
    return std::nullopt;
}

QString iconName(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Critical:
            return QStringLiteral("critical");
        case MessageIcon::Question:
            return QStringLiteral("question");
        case MessageIcon::Exclamation:
            return QStringLiteral("exclamation");
        case MessageIcon::Information:
            return QStringLiteral("information");
        case MessageIcon::None:
            break;
    }
    return QStringLiteral("none");
}

}  // namespace sv::ui
