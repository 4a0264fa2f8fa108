// The GUI module's half of the Gui: everything here needs Qt Widgets.

#include "platform/ui/gui_backend.h"

#include "platform/ui/display_probe.h"
#include "platform/ui/window_driver.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTranslator>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

namespace sv::ui {

namespace {

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

// Passes a tracked window's hiding on to the backend.
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

class WidgetsBackend : public GuiBackend {
public:
    WidgetsBackend(Gui& gui, GuiState& state)
        : gui_(gui), state_(state), watcher_([this](QWidget& w) { windowHidden(w); }) {}

    void ensureApplication(const Shown& what) override;
    int askUser(const MessageBoxStyle& style, const QString& title, const QString& text) override;
    std::optional<QString> snapshotBox(const MessageBoxStyle& style, const QString& title,
                                       const QString& text, const QString& file) override;
    void showWindow(QWidget& window) override;
    void runEventLoop() override;

private:
    void track(QWidget& window);
    QWidget* topWindow() const;
    void windowHidden(QWidget& window);
    void queueStep();
    void takeWindowStep();
    void queueOpenCheck();

    Gui& gui_;
    GuiState& state_;
    // QApplication keeps argc and argv and may rewrite them: they live as long as it does.
    std::vector<std::string> argStorage_;
    std::vector<char*> argv_;
    int argc_ = 0;
    QTranslator germanQt_;  // before app_: it goes after the application it is installed in
    std::unique_ptr<QApplication> app_;
    WindowWatcher watcher_;
    std::vector<QPointer<QWidget>> windows_;
    QEventLoop* loop_ = nullptr;
    bool stepQueued_ = false;
};

void WidgetsBackend::ensureApplication(const Shown& what) {
    if (QCoreApplication::instance()) {
        if (qobject_cast<QApplication*>(QCoreApplication::instance())) return;
        state_.cannotShow(what, QStringLiteral("the program runs without a GUI"));
    }
    // Qt ends the process when its platform can't be set up: the display is tried first. Nobody
    // looks at a script's windows, so they go offscreen when no display can be opened.
    argStorage_ = {"sondervik"};
    if (!state_.settings.displayAvailable) {
        argStorage_.insert(argStorage_.end(), {"-platform", "offscreen"});
    } else {
        const PlatformChoice choice = chooseQtPlatform(QProcessEnvironment::systemEnvironment());
        if (!choice.platform && !state_.script) state_.cannotShow(what, choice.failure);
        argStorage_.insert(argStorage_.end(),
                           {"-platform", choice.platform ? choice.platform->toStdString() : "offscreen"});
    }
    argv_.clear();
    for (std::string& arg : argStorage_)
        argv_.push_back(arg.data());
    argv_.push_back(nullptr);
    argc_ = int(argStorage_.size());
    app_ = std::make_unique<QApplication>(argc_, argv_.data());
    // The program speaks German whatever the desktop's language: so do Qt's own button texts.
    if (germanQt_.load(QLocale(QLocale::German, QLocale::Germany), QStringLiteral("qtbase"),
                       QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&germanQt_);
    // The run decides when it ends (no window left open), not Qt: a message box shown after the
    // last window closed must not end the loop it runs in.
    QApplication::setQuitOnLastWindowClosed(false);
}

// A scripted box is answered without being shown; for its picture it is built and laid out as
// askUser shows it, but kept off the screen.
std::optional<QString> WidgetsBackend::snapshotBox(const MessageBoxStyle& style, const QString& title,
                                                   const QString& text, const QString& file) {
    QMessageBox box;
    setUpBox(box, style, title, text);
    box.setAttribute(Qt::WA_DontShowOnScreen);
    box.show();  // QMessageBox sizes itself when shown
    return saveSnapshot(box, file);
}

int WidgetsBackend::askUser(const MessageBoxStyle& style, const QString& title, const QString& text) {
    QMessageBox box;
    setUpBox(box, style, title, text);
    const int clicked = box.exec();
    for (int answer : style.answers)
        if (clicked == qtButton(answer)) return answer;
    return style.answers.back();  // closed by other means: the last button is the one that backs out
}

void WidgetsBackend::showWindow(QWidget& window) {
    track(window);
    window.show();
    // The run fills the window before it waits for the user; what it holds then is what is seen.
    state_.transcript.hold(
        [shown = QPointer<QWidget>(&window)] { return shown ? windowState(*shown) : QJsonObject(); });
    QMetaObject::invokeMethod(
        &watcher_, [this] { state_.transcript.writeHeld(); }, Qt::QueuedConnection);
    if (state_.script) queueStep();
}

void WidgetsBackend::runEventLoop() {
    if (!topWindow()) return;
    QEventLoop loop;
    loop_ = &loop;
    loop.exec();
    loop_ = nullptr;
}

void WidgetsBackend::track(QWidget& window) {
    for (const QPointer<QWidget>& known : windows_)
        if (known == &window) return;
    windows_.emplace_back(&window);
    window.installEventFilter(&watcher_);
    QObject::connect(&window, &QObject::destroyed, &watcher_, [this] { queueOpenCheck(); });
}

QWidget* WidgetsBackend::topWindow() const {
    for (auto it = windows_.rbegin(); it != windows_.rend(); ++it)
        if (*it && (*it)->isVisible()) return *it;
    return nullptr;
}

void WidgetsBackend::windowHidden(QWidget& window) {
    if (window.isVisible()) return;
    state_.transcript.write({{"event", "closed"}, {"name", window.objectName()}});
    queueOpenCheck();
}

void WidgetsBackend::queueStep() {
    if (stepQueued_) return;
    stepQueued_ = true;
    QMetaObject::invokeMethod(
        &watcher_,
        [this] {
            stepQueued_ = false;
            gui_.runGuarded([this] { takeWindowStep(); });
        },
        Qt::QueuedConnection);
}

void WidgetsBackend::takeWindowStep() {
    const QPointer<QWidget> window = topWindow();
    if (!window) return;
    const std::optional<ScriptStep> step = state_.script->take();
    if (!step)
        state_.scriptFailure(
            QStringLiteral("the UI script has no step left for the window %1").arg(window->objectName()));
    state_.transcript.write(stepEvent(*step));
    if (step->kind == ScriptStep::Kind::Snapshot) {
        if (const std::optional<QString> failure = saveSnapshot(*window, step->file))
            state_.scriptFailure(*failure, &*step);
    } else if (const std::optional<QString> misfit = applyStep(*window, *step)) {
        state_.scriptFailure(QStringLiteral("step does not fit: %1").arg(*misfit), &*step);
    }
    if (window && window->isVisible()) state_.transcript.write(windowState(*window));
    if (topWindow()) queueStep();
}

void WidgetsBackend::queueOpenCheck() {
    QMetaObject::invokeMethod(
        &watcher_,
        [this] {
            if (loop_ && !topWindow()) loop_->quit();
        },
        Qt::QueuedConnection);
}

}  // namespace

}  // namespace sv::ui

sv::ui::GuiBackend* sv_gui_make_backend(sv::ui::Gui& gui, sv::ui::GuiState& state) {
    return new sv::ui::WidgetsBackend(gui, state);
}
