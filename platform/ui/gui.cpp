#include "platform/ui/gui.h"

#include "platform/ui/message_box.h"
#include "platform/ui/transcript.h"
#include "platform/ui/ui_script.h"
#include "platform/ui/window_driver.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QFile>
#include <QJsonObject>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTranslator>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace sv::ui {

namespace {

constexpr long kInternalError = 51;  // the platform's number for an error of no known kind

void printError(const QString& message) {
    std::fprintf(stderr, "sondervik: %s\n", message.toUtf8().constData());
}

QMessageBox::Icon qtIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Critical:
            return QMessageBox::Critical;
        case MessageIcon::Question:
            return QMessageBox::Question;
        case MessageIcon::Exclamation:
            return QMessageBox::Warning;
        case MessageIcon::Information:
            return QMessageBox::Information;
        case MessageIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButton qtButton(int answer) {
    switch (answer) {
        case mb::kCancel:
            return QMessageBox::Cancel;
        case mb::kAbort:
            return QMessageBox::Abort;
        case mb::kRetry:
            return QMessageBox::Retry;
        case mb::kIgnore:
            return QMessageBox::Ignore;
        case mb::kYes:
            return QMessageBox::Yes;
        case mb::kNo:
            return QMessageBox::No;
        default:
            return QMessageBox::Ok;
    }
}

// The box as the user sees it; the same for a box that is asked and one that is only pictured.
void setUpBox(QMessageBox& box, const MessageBoxStyle& style, const QString& title, const QString& text) {
    box.setIcon(qtIcon(style.icon));
    box.setWindowTitle(title);
    box.setText(QString(text).replace(QLatin1String("\r\n"), QLatin1String("\n")));
    box.setTextFormat(Qt::PlainText);  // a text is never taken for markup
    for (int answer : style.answers) {
        QPushButton* button = box.addButton(qtButton(answer));
        if (answer == style.defaultAnswer) box.setDefaultButton(button);
        if (answer == mb::kCancel || style.answers.size() == 1) box.setEscapeButton(button);
    }
}

QJsonObject stepEvent(const ScriptStep& step) {
    return {{"event", "step"}, {"line", step.text}, {"number", step.lineNumber}};
}

// Passes a tracked window's hiding on to the Gui.
class WindowWatcher : public QObject {
public:
    explicit WindowWatcher(std::function<void(QWidget&)> onHidden) : onHidden_(std::move(onHidden)) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Hide && !event->spontaneous())
            onHidden_(*static_cast<QWidget*>(watched));
        return false;
    }

private:
    std::function<void(QWidget&)> onHidden_;
};

}  // namespace

bool hasDisplay(const QProcessEnvironment& env) {
    if (!env.value(QStringLiteral("DISPLAY")).isEmpty() ||
        !env.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty())
        return true;
    // QT_QPA_PLATFORM is a ';'-separated list of platforms to try, each with optional ':' options.
    const QStringList platforms =
        env.value(QStringLiteral("QT_QPA_PLATFORM")).split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString& platform : platforms) {
        const QString name = platform.section(QLatin1Char(':'), 0, 0).trimmed();
        if (!name.isEmpty() && name != QLatin1String("xcb") && !name.startsWith(QLatin1String("wayland")))
            return true;
    }
    return false;
}

GuiSettings GuiSettings::fromEnvironment(const QProcessEnvironment& env) {
    return {env.value(QStringLiteral("SONDERVIK_UI_SCRIPT")),
            env.value(QStringLiteral("SONDERVIK_UI_TRANSCRIPT")), hasDisplay(env)};
}

struct Gui::Impl {
    Impl(Gui& owner, GuiSettings s)
        : gui(owner), settings(std::move(s)), watcher([this](QWidget& w) { windowHidden(w); }) {}

    [[noreturn]] void end(int status, const QString& reason);
    void loadScript();
    [[noreturn]] void scriptFailure(const QString& message, const ScriptStep* step = nullptr);
    void ensureApplication(const QString& purpose);
    int scriptedAnswer(const MessageBoxStyle& style, const QString& title, const QString& text);
    void snapshotBox(const MessageBoxStyle& style, const QString& title, const QString& text,
                     const ScriptStep& step);
    int askUser(const MessageBoxStyle& style, const QString& title, const QString& text);
    void track(QWidget& window);
    QWidget* topWindow() const;
    void windowHidden(QWidget& window);
    void queueStep();
    void takeWindowStep();
    void queueOpenCheck();

    Gui& gui;
    GuiSettings settings;
    std::optional<UiScript> script;
    Transcript transcript;
    // QApplication keeps argc and argv and may rewrite them: they live as long as it does.
    std::vector<std::string> argStorage;
    std::vector<char*> argv;
    int argc = 0;
    QTranslator germanQt;  // before app: it goes after the application it is installed in
    std::unique_ptr<QApplication> app;
    WindowWatcher watcher;
    std::vector<QPointer<QWidget>> windows;
    QEventLoop* loop = nullptr;
    bool stepQueued = false;
    std::function<void(int, const QString&)> endObserver;
};

void Gui::Impl::end(int status, const QString& reason) {
    if (endObserver) endObserver(status, reason);
    endProgram(status);
}

void Gui::Impl::loadScript() {
    QFile file(settings.scriptPath);
    if (!file.open(QIODevice::ReadOnly))
        scriptFailure(
            QStringLiteral("can't read the UI script %1: %2").arg(settings.scriptPath, file.errorString()));
    try {
        script = UiScript::parse(QString::fromUtf8(file.readAll()));  // drops a byte order mark
    } catch (const ScriptSyntaxError& e) {
        scriptFailure(QString::fromStdString(e.what()));
    }
}

void Gui::Impl::scriptFailure(const QString& message, const ScriptStep* step) {
    QJsonObject event{{"event", "error"}, {"message", message}};
    if (step) {
        event["line"] = step->text;
        event["number"] = step->lineNumber;
    }
    transcript.write(event);
    printError(
        step ? QStringLiteral("%1 (UI script line %2: %3)").arg(message).arg(step->lineNumber).arg(step->text)
             : message);
    end(kExitScript, message);
}

void Gui::Impl::ensureApplication(const QString& purpose) {
    if (QCoreApplication::instance()) {
        if (qobject_cast<QApplication*>(QCoreApplication::instance())) return;
        const QString reason = QStringLiteral("can't show %1: the program runs without a GUI").arg(purpose);
        printError(reason);
        end(kExitNoDisplay, reason);
    }
    if (!settings.displayAvailable && !script) {
        const QString reason =
            QStringLiteral(
                "can't show %1: no display (neither DISPLAY nor WAYLAND_DISPLAY "
                "is set, nor QT_QPA_PLATFORM=offscreen) and no UI script (SONDERVIK_UI_SCRIPT)")
                .arg(purpose);
        printError(reason);
        end(kExitNoDisplay, reason);
    }
    argStorage = {"sondervik"};
    if (!settings.displayAvailable) argStorage.insert(argStorage.end(), {"-platform", "offscreen"});
    argv.clear();
    for (std::string& arg : argStorage)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    argc = int(argStorage.size());
    app = std::make_unique<QApplication>(argc, argv.data());
    // The program speaks German whatever the desktop's language: so do Qt's own button texts.
    if (germanQt.load(QLocale(QLocale::German, QLocale::Germany), QStringLiteral("qtbase"),
                      QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&germanQt);
    // The run decides when it ends (no window left open), not Qt: a message box shown after the
    // last window closed must not end the loop it runs in.
    QApplication::setQuitOnLastWindowClosed(false);
}

int Gui::Impl::scriptedAnswer(const MessageBoxStyle& style, const QString& title, const QString& text) {
    std::optional<ScriptStep> step = script->take();
    for (; step && step->kind == ScriptStep::Kind::Snapshot; step = script->take()) {
        transcript.write(stepEvent(*step));
        snapshotBox(style, title, text, *step);
    }
    if (!step)
        scriptFailure(QStringLiteral("the UI script has no step left for the message box \"%1\"").arg(title));
    transcript.write(stepEvent(*step));
    if (step->kind != ScriptStep::Kind::Answer)
        scriptFailure(
            QStringLiteral("step does not fit: the message box \"%1\" waits for an answer").arg(title),
            &*step);
    if (std::find(style.answers.begin(), style.answers.end(), step->answer) == style.answers.end())
        scriptFailure(QStringLiteral("step does not fit: the message box \"%1\" has the buttons %2")
                          .arg(title, style.buttonsName),
                      &*step);
    return step->answer;
}

// A scripted box is answered without being shown; for its picture it is built and laid out as
// askUser shows it, but kept off the screen.
void Gui::Impl::snapshotBox(const MessageBoxStyle& style, const QString& title, const QString& text,
                            const ScriptStep& step) {
    ensureApplication(QStringLiteral("the message box \"%1\"").arg(title));
    QMessageBox box;
    setUpBox(box, style, title, text);
    box.setAttribute(Qt::WA_DontShowOnScreen);
    box.show();  // QMessageBox sizes itself when shown
    if (const std::optional<QString> failure = saveSnapshot(box, step.file)) scriptFailure(*failure, &step);
}

int Gui::Impl::askUser(const MessageBoxStyle& style, const QString& title, const QString& text) {
    ensureApplication(QStringLiteral("the message box \"%1\"").arg(title));
    QMessageBox box;
    setUpBox(box, style, title, text);
    const int clicked = box.exec();
    for (int answer : style.answers)
        if (clicked == qtButton(answer)) return answer;
    return style.answers.back();  // closed by other means: the last button is the one that backs out
}

void Gui::Impl::track(QWidget& window) {
    for (const QPointer<QWidget>& known : windows)
        if (known == &window) return;
    windows.emplace_back(&window);
    window.installEventFilter(&watcher);
    QObject::connect(&window, &QObject::destroyed, &watcher, [this] { queueOpenCheck(); });
}

QWidget* Gui::Impl::topWindow() const {
    for (auto it = windows.rbegin(); it != windows.rend(); ++it)
        if (*it && (*it)->isVisible()) return *it;
    return nullptr;
}

void Gui::Impl::windowHidden(QWidget& window) {
    if (window.isVisible()) return;
    transcript.write({{"event", "closed"}, {"name", window.objectName()}});
    queueOpenCheck();
}

void Gui::Impl::queueStep() {
    if (stepQueued) return;
    stepQueued = true;
    QMetaObject::invokeMethod(
        &watcher,
        [this] {
            stepQueued = false;
            gui.runGuarded([this] { takeWindowStep(); });
        },
        Qt::QueuedConnection);
}

void Gui::Impl::takeWindowStep() {
    const QPointer<QWidget> window = topWindow();
    if (!window) return;
    const std::optional<ScriptStep> step = script->take();
    if (!step)
        scriptFailure(
            QStringLiteral("the UI script has no step left for the window %1").arg(window->objectName()));
    transcript.write(stepEvent(*step));
    if (step->kind == ScriptStep::Kind::Snapshot) {
        if (const std::optional<QString> failure = saveSnapshot(*window, step->file))
            scriptFailure(*failure, &*step);
    } else if (const std::optional<QString> misfit = applyStep(*window, *step)) {
        scriptFailure(QStringLiteral("step does not fit: %1").arg(*misfit), &*step);
    }
    if (window && window->isVisible()) transcript.write(windowState(*window));
    if (topWindow()) queueStep();
}

void Gui::Impl::queueOpenCheck() {
    QMetaObject::invokeMethod(
        &watcher,
        [this] {
            if (loop && !topWindow()) loop->quit();
        },
        Qt::QueuedConnection);
}

Gui::Gui(GuiSettings settings) : impl_(std::make_unique<Impl>(*this, std::move(settings))) {
    const QString& transcriptPath = impl_->settings.transcriptPath;
    if (!transcriptPath.isEmpty() && !impl_->transcript.open(transcriptPath))
        impl_->scriptFailure(QStringLiteral("can't open the UI transcript %1").arg(transcriptPath));
    if (!impl_->settings.scriptPath.isEmpty()) impl_->loadScript();
}

Gui::~Gui() = default;

int Gui::messageBox(const QString& text, int style, const QString& title) {
    const MessageBoxStyle decoded = decodeStyle(style);
    const QString shownTitle = effectiveTitle(title);
    const int answer = impl_->script ? impl_->scriptedAnswer(decoded, shownTitle, text)
                                     : impl_->askUser(decoded, shownTitle, text);
    impl_->transcript.write({{"event", "msgbox"},
                             {"title", shownTitle},
                             {"text", text},
                             {"buttons", decoded.buttonsName},
                             {"icon", iconName(decoded.icon)},
                             {"default", answerName(decoded.defaultAnswer)},
                             {"answer", answerName(answer)}});
    return answer;
}

void Gui::ensureGui() {
    impl_->ensureApplication(QStringLiteral("a window"));
}

void Gui::showWindow(QWidget& window) {
    impl_->ensureApplication(QStringLiteral("the window %1").arg(window.objectName()));
    impl_->track(window);
    window.show();
    impl_->transcript.write(windowState(window));
    if (impl_->script) impl_->queueStep();
}

void Gui::runEventLoop() {
    if (!impl_->topWindow()) return;
    QEventLoop loop;
    impl_->loop = &loop;
    loop.exec();
    impl_->loop = nullptr;
}

void Gui::reportUnhandledError(const PlatformError& error) {
    const QString number = QString::number(error.number());
    const QString reason = QStringLiteral("Laufzeitfehler '%1': %2").arg(number, error.description());
    printError(reason);
    messageBox(
        QStringLiteral("Laufzeitfehler '") + number + QStringLiteral("':\r\n\r\n") + error.description(),
        mb::kOkOnly + mb::kCritical, kApplicationTitle);
    impl_->end(kExitUnhandledError, reason);
}

void Gui::runGuarded(const std::function<void()>& handler) noexcept {
    try {
        handler();
    } catch (const PlatformError& e) {
        reportUnhandledError(e);
    } catch (const std::exception& e) {
        reportUnhandledError(PlatformError(kInternalError, QString::fromLocal8Bit(e.what())));
    } catch (...) {
        reportUnhandledError(PlatformError(kInternalError, QStringLiteral("Internal error")));
    }
}

void Gui::setEndObserver(std::function<void(int, const QString&)> observer) {
    impl_->endObserver = std::move(observer);
}

void Gui::endProgram(int status) {
    std::fflush(nullptr);
    std::_Exit(status);
}

}  // namespace sv::ui
