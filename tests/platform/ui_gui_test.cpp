// The Gui: scripted and real message boxes, windows driven by a UI script, the transcript, the
// standard report of an unhandled error and the ways a run ends (status 1, 2 and 3).
#include "platform/error.h"
#include "platform/ui/gui.h"
#include "platform/ui/message_box.h"

#include <gtest/gtest.h>

#include <QtWidgets>

using namespace sv;
using namespace sv::ui;
using ::testing::ExitedWithCode;

namespace {

// A UI script and a transcript in a folder of their own; windows on the offscreen platform.
struct ScriptedRun {
    explicit ScriptedRun(const QString& script) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QFile file(dir.filePath("script.txt"));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(script.toUtf8());
        settings = {file.fileName(), dir.filePath("transcript.jsonl"), false};
    }

    // The transcript's events, all or those of one kind.
    std::vector<QJsonObject> events(const QString& kind = {}) const {
        std::vector<QJsonObject> result;
        QFile file(settings.transcriptPath);
        if (!file.open(QIODevice::ReadOnly)) return result;
        for (const QByteArray& line : file.readAll().split('\n')) {
            QJsonParseError error;
            const QJsonObject event = QJsonDocument::fromJson(line, &error).object();
            EXPECT_TRUE(line.isEmpty() || error.error == QJsonParseError::NoError) << line.constData();
            if (!line.isEmpty() && (kind.isEmpty() || event["event"].toString() == kind))
                result.push_back(event);
        }
        return result;
    }

    QTemporaryDir dir;
    GuiSettings settings;
};

class TestWindow : public QWidget {
public:
    explicit TestWindow(Gui& gui) {
        setObjectName("frm_Test");
        setWindowTitle("Testfenster");
        combo->addItems({"P1", "P2", "P3"});
        list->addItems({"L1", "L2"});
        add<QLabel>("lbl_Descrip", "Bitte wählen");
        add<QPushButton>("btn_Off", "Aus")->setEnabled(false);
        auto* fail = add<QPushButton>("btn_Fail", "Fehler");

        connect(combo, &QComboBox::activated, gui.guarded([this](int index) { activated.push_back(index); }));
        connect(list, &QListWidget::currentRowChanged,
                gui.guarded([this](int row) { listRows.push_back(row); }));
        connect(list, &QListWidget::itemClicked, gui.guarded([this] { ++listClicks; }));
        connect(chkObj, &QCheckBox::stateChanged, gui.guarded([this] { ++objChanges; }));
        connect(start, &QPushButton::clicked, gui.guarded([this, &gui] {
            startAnswer = gui.messageBox("Starten?\r\nWirklich", mb::kYesNo + mb::kQuestion);
            if (startAnswer == mb::kYes) close();
        }));
        connect(fail, &QPushButton::clicked,
                gui.guarded([] { throw PlatformError(3265, "Item not found"); }));
    }

    template <class W>
    W* add(const char* name, const QString& text = {}) {
        auto* w = new W(this);
        w->setObjectName(name);
        if constexpr (!std::is_same_v<W, QComboBox> && !std::is_same_v<W, QListWidget>) w->setText(text);
        return w;
    }

    QComboBox* combo = add<QComboBox>("Combo_Process");
    QListWidget* list = add<QListWidget>("lb_Process");
    QCheckBox* chkObj = add<QCheckBox>("chk_OBJ", "ein Objekt");
    QCheckBox* chkAd = add<QCheckBox>("chk_AD", "eine Adresse 1");
    QPushButton* start = add<QPushButton>("cmd_DoProcess", "Prozess starten");
    std::vector<int> activated, listRows;
    int listClicks = 0, objChanges = 0, startAnswer = 0;
};

// The test window shown under a UI script; runEventLoop() drives it.
struct WindowRun : ScriptedRun {
    explicit WindowRun(const QString& script) : ScriptedRun(script) { gui.showWindow(window); }
    Gui gui{settings};
    bool guiReady = (gui.ensureGui(), true);  // before the window is made
    TestWindow window{gui};
};

}  // namespace

TEST(GuiScript, AnswersMessageBoxesAndRecordsEachInTheTranscriptWithoutCreatingAGui) {
    // Some editors start a file with a byte order mark: it is no part of the first step.
    ScriptedRun run("\uFEFFanswer No\n# the second box\nanswer OK\nanswer cancel\n");
    Gui gui(run.settings);
    EXPECT_EQ(gui.messageBox("Zeile 1\r\nZeile 2", mb::kYesNo + mb::kQuestion + mb::kDefaultButton2, "Frage"),
              mb::kNo);
    EXPECT_EQ(gui.messageBox("Hinweis", mb::kInformation), mb::kOk);
    EXPECT_EQ(gui.messageBox("Drei", mb::kYesNoCancel + mb::kExclamation + mb::kDefaultButton3, ""),
              mb::kCancel);
    gui.runEventLoop();  // returns at once: no window is open
    EXPECT_EQ(QCoreApplication::instance(), nullptr);

    const auto steps = run.events("step");
    ASSERT_EQ(steps.size(), 3u);
    EXPECT_EQ(steps[1], (QJsonObject{{"event", "step"}, {"line", "answer OK"}, {"number", 3}}));
    const auto boxes = run.events("msgbox");
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0], (QJsonObject{{"event", "msgbox"},
                                     {"title", "Frage"},
                                     {"text", "Zeile 1\r\nZeile 2"},
                                     {"buttons", "YesNo"},
                                     {"icon", "question"},
                                     {"default", "No"},
                                     {"answer", "No"}}));
    EXPECT_EQ(boxes[1]["title"].toString(), "Sondervik");
    EXPECT_EQ(boxes[1]["icon"].toString(), "information");
    EXPECT_EQ(boxes[2]["title"].toString(), "Sondervik");
    EXPECT_EQ(boxes[2]["default"].toString(), "Cancel");
}

TEST(GuiDeathTest, AScriptThatRunsOutOrDoesNotFitEndsTheRunWithStatus3) {
    for (const auto& [script, message] : std::vector<std::pair<const char*, const char*>>{
             {"answer OK", "has the buttons YesNo"},
             {"# nothing", "no step left for the message box \"Frage\""},
             {"click cmd_DoProcess", "waits for an answer"}}) {
        ScriptedRun run(script);
        Gui gui(run.settings);
        EXPECT_EXIT(gui.messageBox("Ja oder nein?", mb::kYesNo, "Frage"), ExitedWithCode(3), message);
        ASSERT_EQ(run.events("error").size(), 1u) << script;
        EXPECT_TRUE(run.events("error")[0]["message"].toString().contains(message)) << script;
    }
    for (const auto& [script, message] : std::vector<std::pair<const char*, const char*>>{
             {"answer Yes", "no message box is open"},
             {"click cmd_Nothing", "has no control cmd_Nothing"},
             {"click Combo_Process", "no button"},
             {"select lb_Process 2", "has no entry 2"},
             {"click btn_Off", "disabled"},
             {"select Combo_Process 1", "no step left for the window frm_Test"}}) {
        WindowRun run(script);
        EXPECT_EXIT(run.gui.runEventLoop(), ExitedWithCode(3), message) << script;
        ASSERT_EQ(run.events("error").size(), 1u) << script;
        EXPECT_TRUE(run.events("error")[0]["message"].toString().contains(message)) << script;
    }
    ScriptedRun malformed("answer OK\nanswer Perhaps\n");
    EXPECT_EXIT(Gui{malformed.settings}, ExitedWithCode(3), "line 2");
    malformed.settings.scriptPath = malformed.dir.filePath("missing.txt");
    EXPECT_EXIT(Gui{malformed.settings}, ExitedWithCode(3), "can't read the UI script");
}

TEST(GuiDeathTest, ShowingSomethingWithoutDisplayOrScriptEndsWithStatus2) {
    Gui gui(GuiSettings{});
    EXPECT_EXIT(gui.messageBox("Hallo", mb::kOkOnly, "Titel"), ExitedWithCode(2), "\"Titel\": no display");
    EXPECT_EXIT(gui.ensureGui(), ExitedWithCode(2), "a window: no display");
}

TEST(GuiDeathTest, AGuiModuleThatCannotBeHadEndsTheRunWithStatus2WhenSomethingIsShown) {
    QTemporaryDir dir;
    const QString notALibrary = dir.filePath("libsv_gui.so");
    QFile file(notALibrary);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a library");
    file.close();
    for (const auto& [module, reason] : std::vector<std::pair<QString, std::string>>{
             {dir.filePath("missing/libsv_gui.so"), "GUI module can't be loaded"},
             {notALibrary, "GUI module can't be loaded"},
             {SV_BUILD_DIR "/libsv_core.so",
              "GUI module can't be loaded: .*libsv_core.so carries no build stamp"}}) {
        Gui gui(GuiSettings{{}, {}, true, module});
        EXPECT_EXIT(gui.messageBox("Hallo", mb::kOkOnly, "Titel"), ExitedWithCode(2),
                    "the message box \"Titel\": the " + reason + ".*; its text: Hallo")
            << module.toStdString();
        EXPECT_EXIT(gui.ensureGui(), ExitedWithCode(2), "a window: the " + reason) << module.toStdString();
    }
    // A box the script answers is not shown: the module is not needed.
    ScriptedRun scripted("answer OK\n");
    scripted.settings.modulePath = dir.filePath("missing/libsv_gui.so");
    Gui gui(scripted.settings);
    EXPECT_EQ(gui.messageBox("Hallo", mb::kOkOnly, "Titel"), mb::kOk);
}

TEST(GuiDeathTest, AnUnhandledErrorGetsTheStandardReportAndStatus1) {
    ScriptedRun run("answer OK\n");
    Gui gui(run.settings);
    EXPECT_EXIT(gui.reportUnhandledError(PlatformError(424, "Object required")), ExitedWithCode(1),
                "Laufzeitfehler '424': Object required");
    ASSERT_EQ(run.events("msgbox").size(), 1u);
    EXPECT_EQ(run.events("msgbox")[0], (QJsonObject{{"event", "msgbox"},
                                                    {"title", "Sondervik"},
                                                    {"buttons", "OK"},
                                                    {"icon", "critical"},
                                                    {"text", "Laufzeitfehler '424':\r\n\r\nObject required"},
                                                    {"default", "OK"},
                                                    {"answer", "OK"}}));
    // Any exception escaping a guarded handler, a window's event handler too, gets the same report.
    EXPECT_EXIT(gui.runGuarded([] { throw std::runtime_error("kaputt"); }), ExitedWithCode(1),
                "Laufzeitfehler '51': kaputt");
    WindowRun windowRun("click btn_Fail\nanswer OK\n");
    EXPECT_EXIT(windowRun.gui.runEventLoop(), ExitedWithCode(1), "Laufzeitfehler '3265'");
    ASSERT_EQ(windowRun.events("msgbox").size(), 1u);
    EXPECT_EQ(windowRun.events("msgbox")[0]["text"].toString(),
              "Laufzeitfehler '3265':\r\n\r\nItem not found");
}

TEST(GuiSnapshot, PicturesTheMessageBoxThatWaitsForTheNextAnswerAsItIsShown) {
    const QTemporaryDir pictures;
    ScriptedRun run(
        QStringLiteral("snapshot %1/ein satz.png\nsnapshot %1/again.png\nanswer Yes\nsnapshot %1/drei.png\n"
                       "answer OK\n")
            .arg(pictures.path()));
    Gui gui(run.settings);
    EXPECT_EQ(gui.messageBox("Prozess starten?", mb::kYesNo + mb::kQuestion, "Frage"), mb::kYes);
    EXPECT_EQ(gui.messageBox("Zeile 1\r\nZeile 2\r\nZeile 3", mb::kOkOnly + mb::kCritical), mb::kOk);

    const QImage one(pictures.filePath("ein satz.png"));
    const QImage again(pictures.filePath("again.png"));
    const QImage three(pictures.filePath("drei.png"));
    ASSERT_FALSE(one.isNull());
    ASSERT_FALSE(three.isNull());
    EXPECT_EQ(one, again);                         // the same box gives the same picture
    EXPECT_GT(three.height(), one.height());       // three lines of text stand in it
    EXPECT_EQ(one.pixelColor(0, 0).alpha(), 255);  // drawn, not left transparent
    EXPECT_EQ(run.events("step").size(), 5u);
    ASSERT_EQ(run.events("msgbox").size(), 2u);
    EXPECT_EQ(run.events("msgbox")[0]["answer"].toString(), "Yes");
}

TEST(GuiSnapshot, PicturesTheOpenWindowInItsStateAtThatStep) {
    const QTemporaryDir pictures;
    ScriptedRun run(QStringLiteral("snapshot %1/a.png\nclick chk_OBJ\nsnapshot %1/b.png\nclick chk_OBJ\n"
                                   "snapshot %1/c.png\nclose\n")
                        .arg(pictures.path()));
    Gui gui(run.settings);
    gui.ensureGui();
    QWidget window;
    window.setObjectName("frm_Test");
    auto* box = new QCheckBox("ein Objekt", &window);
    box->setObjectName("chk_OBJ");
    (new QVBoxLayout(&window))->addWidget(box);
    gui.showWindow(window);
    gui.runEventLoop();

    const QImage unchecked(pictures.filePath("a.png"));
    const QImage checked(pictures.filePath("b.png"));
    const QImage uncheckedAgain(pictures.filePath("c.png"));
    ASSERT_FALSE(unchecked.isNull());
    EXPECT_EQ(unchecked.size(), window.size() * window.devicePixelRatio());
    EXPECT_NE(checked, unchecked);  // the tick shows
    EXPECT_EQ(uncheckedAgain, unchecked);
    EXPECT_EQ(run.events().back()["event"].toString(), "closed");
}

TEST(GuiDeathTest, ASnapshotThatCannotBeWrittenEndsTheRunWithStatus3) {
    ScriptedRun boxRun("snapshot /nonexistent-folder/box.png\nanswer OK\n");
    Gui gui(boxRun.settings);
    EXPECT_EXIT(gui.messageBox("Hinweis", mb::kOkOnly), ExitedWithCode(3), "can't write the snapshot");
    ASSERT_EQ(boxRun.events("error").size(), 1u);
    EXPECT_EQ(boxRun.events("error")[0]["number"].toInt(), 1);

    WindowRun windowRun("snapshot /nonexistent-folder/window.png\nclose\n");
    EXPECT_EXIT(windowRun.gui.runEventLoop(), ExitedWithCode(3), "can't write the snapshot");
    // A snapshot is no answer: the box still waits for one.
    const QTemporaryDir pictures;
    ScriptedRun noAnswer("snapshot " + pictures.filePath("x.png") + "\n");
    Gui unanswered(noAnswer.settings);
    EXPECT_EXIT(unanswered.messageBox("Hinweis", mb::kOkOnly), ExitedWithCode(3),
                "no step left for the message box");
}

TEST(GuiRealBox, ShowsTitleTextIconButtonsAndDefaultAndReturnsTheClickedAnswer) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    Gui gui(GuiSettings{{}, {}, true});
    gui.ensureGui();
    QTimer::singleShot(0, [] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return QCoreApplication::exit();  // fails below; ends the box's loop too
        EXPECT_EQ(box->windowTitle(), "Sondervik");
        EXPECT_EQ(box->text(), "Zeile 1\nZeile <b>2</b>");
        EXPECT_EQ(box->textFormat(), Qt::PlainText);
        EXPECT_EQ(box->icon(), QMessageBox::Question);
        EXPECT_EQ(box->buttons().size(), 3);
        EXPECT_EQ(box->standardButton(box->defaultButton()), QMessageBox::No);
        EXPECT_EQ(box->escapeButton(), box->button(QMessageBox::Cancel));
        // Qt's own button texts are German, whatever the desktop's language.
        EXPECT_EQ(box->button(QMessageBox::Yes)->text().remove('&'), "Ja");
        EXPECT_EQ(box->button(QMessageBox::No)->text().remove('&'), "Nein");
        EXPECT_EQ(box->button(QMessageBox::Cancel)->text().remove('&'), "Abbrechen");
        box->button(QMessageBox::Yes)->click();
    });
    EXPECT_EQ(
        gui.messageBox("Zeile 1\r\nZeile <b>2</b>", mb::kYesNoCancel + mb::kQuestion + mb::kDefaultButton2),
        mb::kYes);
}

TEST(GuiWindow, AScriptSelectsClicksAndClosesAndEachStateIsRecorded) {
    WindowRun run(
        "select Combo_Process 2\nselect lb_Process 1\nclick chk_OBJ\nclick cmd_DoProcess\nanswer No\n"
        "click chk_OBJ\nclick chk_AD\nclose\n");
    run.gui.runEventLoop();
    const TestWindow& window = run.window;
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.activated, std::vector<int>{2});
    EXPECT_EQ(window.listRows, std::vector<int>{1});
    EXPECT_EQ(window.listClicks, 1);
    EXPECT_EQ(window.objChanges, 2);
    EXPECT_TRUE(window.chkAd->isChecked());
    EXPECT_EQ(window.startAnswer, mb::kNo);

    const auto events = run.events();
    QStringList kinds;
    for (const QJsonObject& e : events)
        kinds << e["event"].toString();
    ASSERT_EQ(kinds.join(' '),
              "window step window step window step window step step msgbox window step window step window "
              "step closed");
    EXPECT_EQ(events[0]["caption"].toString(), "Testfenster");
    const QJsonObject controls = events[0]["controls"].toObject();
    EXPECT_EQ(controls.keys(), (QStringList{"Combo_Process", "btn_Fail", "btn_Off", "chk_AD", "chk_OBJ",
                                            "cmd_DoProcess", "lb_Process", "lbl_Descrip"}));
    EXPECT_EQ(
        controls["Combo_Process"].toObject(),
        (QJsonObject{
            {"enabled", true}, {"entries", QJsonArray{"P1", "P2", "P3"}}, {"selected", 0}, {"text", "P1"}}));
    EXPECT_EQ(controls["lb_Process"].toObject(),
              (QJsonObject{{"enabled", true}, {"entries", QJsonArray{"L1", "L2"}}, {"selected", -1}}));
    EXPECT_EQ(controls["chk_OBJ"].toObject(),
              (QJsonObject{{"enabled", true}, {"text", "ein Objekt"}, {"checked", 0}}));
    EXPECT_EQ(controls["btn_Off"].toObject(), (QJsonObject{{"enabled", false}, {"text", "Aus"}}));

    auto stateAt = [&](std::size_t i, const QString& control) { return events[i]["controls"][control]; };
    EXPECT_EQ(stateAt(2, "Combo_Process")["text"].toString(), "P3");
    EXPECT_EQ(stateAt(4, "lb_Process")["selected"].toInt(), 1);
    EXPECT_EQ(stateAt(6, "chk_OBJ")["checked"].toInt(), 1);
    EXPECT_EQ(events[9]["text"].toString(), "Starten?\r\nWirklich");
    EXPECT_EQ(stateAt(12, "chk_OBJ")["checked"].toInt(), 0);
    EXPECT_EQ(events[16]["name"].toString(), "frm_Test");
}

TEST(GuiWindow, TheEventLoopEndsWhenTheLastWindowClosesWhoeverClosesIt) {
    WindowRun run("click cmd_DoProcess\nanswer Yes\n");
    run.gui.runEventLoop();
    EXPECT_EQ(run.window.startAnswer, mb::kYes);
    EXPECT_EQ(run.events().back()["event"].toString(), "closed");

    // Without a script the loop lasts until the user closes the window.
    Gui interactive(GuiSettings{{}, {}, true});
    TestWindow other(interactive);
    interactive.showWindow(other);
    QTimer::singleShot(0, &other, [&] { other.close(); });
    interactive.runEventLoop();
    EXPECT_FALSE(other.isVisible());
}
