#include "platform/ui/gui.h"

#include "platform/ui/gui_backend.h"
#include "platform/ui/gui_module.h"
#include "platform/ui/message_box.h"
#include "platform/ui/transcript.h"
#include "platform/ui/ui_script.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>

#include <dlfcn.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace sv::ui {

namespace {

constexpr long kInternalError = 51;  // the platform's number for an error of no known kind
const QLatin1String kModuleFile("libsv_gui.so");

QJsonObject stepEvent(const ScriptStep& step) {
    return {{"event", "step"}, {"line", step.text}, {"number", step.lineNumber}};
}

Shown messageBoxShown(const QString& title, const QString& text) {
    return {QStringLiteral("the message box \"%1\"").arg(title), text};
}

// Beside the library that holds this code: the core library, or the program it is linked into.
QString defaultModulePath() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&defaultModulePath), &info) == 0 || !info.dli_fname)
        return kModuleFile;
    return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absolutePath() + u'/' + kModuleFile;
}

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

void printError(const QString& message) {
    std::fprintf(stderr, "sondervik: %s\n", message.toUtf8().constData());
}

GuiSettings GuiSettings::fromEnvironment(const QProcessEnvironment& env) {
    return {env.value(QStringLiteral("SONDERVIK_UI_SCRIPT")),
            env.value(QStringLiteral("SONDERVIK_UI_TRANSCRIPT")), hasDisplay(env), QString()};
}

void GuiState::end(int status, const QString& reason) const {
    if (endObserver) endObserver(status, reason);
    Gui::endProgram(status);
}

void GuiState::cannotShow(const Shown& what, const QString& reason) const {
    QString line = QStringLiteral("can't show %1: %2").arg(what.name, reason);
    if (!what.text.isEmpty()) {
        QString text = what.text;
        text.replace(QLatin1String("\r\n"), QLatin1String(" ")).replace(u'\n', u' ');
        line += QStringLiteral("; its text: ") + text;
    }
    printError(line);
    end(kExitNoDisplay, line);
}

void GuiState::scriptFailure(const QString& message, const ScriptStep* step) {
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

struct Gui::Impl : GuiState {
    Impl(Gui& owner, GuiSettings s) : GuiState{std::move(s), std::nullopt, {}, {}}, gui(owner) {}

    void loadScript();
    int scriptedAnswer(const MessageBoxStyle& style, const QString& title, const QString& text);
    void* moduleSymbol(const char* name, const Shown& what);
    GuiBackend& backendFor(const Shown& what);

    Gui& gui;

    void* module = nullptr;  // never unloaded: Qt keeps pointers into it until the process ends
    std::unique_ptr<GuiBackend> backend;
};

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

int Gui::Impl::scriptedAnswer(const MessageBoxStyle& style, const QString& title, const QString& text) {
    std::optional<ScriptStep> step = script->take();
    for (; step && step->kind == ScriptStep::Kind::Snapshot; step = script->take()) {
        transcript.write(stepEvent(*step));
        GuiBackend& pictures = backendFor(messageBoxShown(title, text));
        if (const std::optional<QString> failure = pictures.snapshotBox(style, title, text, step->file))
            scriptFailure(*failure, &*step);
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

// Loads the GUI module on first use. A module that is missing, is refused by its check, can't be
// loaded or lacks the symbol ends the run as a display that can't be opened does: nothing can be shown.
void* Gui::Impl::moduleSymbol(const char* name, const Shown& what) {
    const QString path = settings.modulePath.isEmpty() ? defaultModulePath() : settings.modulePath;
    if (!module) {
        const LoadedModule loaded = loadGuiModule(path);
        if (!loaded.handle)
            cannotShow(what, QStringLiteral("the GUI module can't be loaded: %1").arg(loaded.problem));
        module = loaded.handle;
    }
    void* symbol = dlsym(module, name);
    if (!symbol)
        cannotShow(what, QStringLiteral("the GUI module %1 lacks %2").arg(path, QLatin1String(name)));
    return symbol;
}

GuiBackend& Gui::Impl::backendFor(const Shown& what) {
    if (!backend) {
        // Known without loading anything: nothing can be shown and nobody stands in for the user.
        if (!QCoreApplication::instance() && !settings.displayAvailable && !script)
            cannotShow(what,
                       QStringLiteral("no display (neither DISPLAY nor WAYLAND_DISPLAY is set, nor "
                                      "QT_QPA_PLATFORM=offscreen) and no UI script (SONDERVIK_UI_SCRIPT, or "
                                      "--steps of quorvant-host start)"));
        const auto make =
            reinterpret_cast<decltype(&sv_gui_make_backend)>(moduleSymbol("sv_gui_make_backend", what));
        backend.reset(make(gui, *this));
    }
    backend->ensureApplication(what);
    return *backend;
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
    const int answer =
        impl_->script
            ? impl_->scriptedAnswer(decoded, shownTitle, text)
            : impl_->backendFor(messageBoxShown(shownTitle, text)).askUser(decoded, shownTitle, text);
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
    impl_->backendFor({QStringLiteral("a window"), QString()});
}

void* Gui::windowFactorySymbol(const char* name, const QString& window) {
    const Shown what{QStringLiteral("the window %1").arg(window), QString()};
    impl_->backendFor(what);
    return impl_->moduleSymbol(name, what);
}

void Gui::showWindow(QWidget& window) {
    impl_->backendFor({QStringLiteral("a window"), QString()}).showWindow(window);
}

void Gui::runEventLoop() {
    // Without a backend no window was ever shown.
    if (impl_->backend) impl_->backend->runEventLoop();
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
