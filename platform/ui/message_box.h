#pragma once
// Message box style and answer numbers as the platform defines them, and the decoding of a
// style number into buttons, icon and default button.

#include <QString>
#include <optional>
#include <vector>

namespace sv::ui {

namespace mb {
// Buttons (style & 0x0F)
inline constexpr int kOkOnly = 0;
inline constexpr int kOkCancel = 1;
inline constexpr int kAbortRetryIgnore = 2;
inline constexpr int kYesNoCancel = 3;
inline constexpr int kYesNo = 4;
inline constexpr int kRetryCancel = 5;
// Icon (style & 0xF0)
inline constexpr int kCritical = 16;
inline constexpr int kQuestion = 32;
inline constexpr int kExclamation = 48;
inline constexpr int kInformation = 64;
// Default button (style & 0xF00)
inline constexpr int kDefaultButton1 = 0;
inline constexpr int kDefaultButton2 = 256;
inline constexpr int kDefaultButton3 = 512;
// Answers
inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;
inline constexpr int kAbort = 3;
inline constexpr int kRetry = 4;
inline constexpr int kIgnore = 5;
inline constexpr int kYes = 6;
inline constexpr int kNo = 7;
}  // namespace mb

// The title a box shows when it has none of its own.
inline const QString kApplicationTitle = QStringLiteral("Sondervik");

enum class MessageIcon { None, Critical, Question, Exclamation, Information };

struct MessageBoxStyle {
    QString buttonsName;       // "OK", "OKCancel", "AbortRetryIgnore", "YesNoCancel", "YesNo", "RetryCancel"
    std::vector<int> answers;  // the buttons' answer numbers, in the platform's order
    MessageIcon icon = MessageIcon::None;
    int defaultAnswer = mb::kOk;  // a default button beyond the last falls back to the first
};

// Throws PlatformError(5) for a button group other than the six above. Icon bits other than
// the four icons give no icon; bits above the default button (modality and the like) are ignored.
MessageBoxStyle decodeStyle(int style);

QString answerName(int answer);                          // "OK", "Cancel", ..., "No"
std::optional<int> answerFromName(const QString& name);  // letter case ignored
QString iconName(MessageIcon icon);                      // "none", "critical", ...

// Title and text as the box shows them: an empty title gives the application's title.
inline QString effectiveTitle(const QString& title) {
    return title.isEmpty() ? kApplicationTitle : title;
}

}  // namespace sv::ui
