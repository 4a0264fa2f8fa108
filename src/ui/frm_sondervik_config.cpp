#include "frm_sondervik_config.h"

#include "app_icon.h"
#include "platform/ui/gui.h"
#include "src/app/cls_sondervik.h"
#include "src/config/config_fields.h"
#include "twips.h"
#include "window_access.h"
#include "window_keys.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace sv {

namespace {

constexpr int kCaptionFlags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap;

WrappingCheckBox* makeCheckBox(QWidget* parent, const char* name, const QString& text, int left, int top,
                               int width, int height) {
    auto* box = ui::makeControl<WrappingCheckBox>(parent, name, left, top, width, height);
    box->setText(text);
    return box;
}

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, int left, int top, int width,
                  int height) {
    auto* label = ui::makeControl<QLabel>(parent, name, left, top, width, height);
    label->setText(text);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(true);
    return label;
}

// A label's text wraps within the label, in a smaller font only when it would not fit otherwise.
void fitLabel(QLabel& label) {
    label.setFont(ui::fittingFont(label.font(), label.contentsRect(), label.text(), &label, kCaptionFlags));
}

}  // namespace

QRect WrappingCheckBox::captionArea() const {
    QStyleOptionButton option;
    initStyleOption(&option);
    return style()->subElementRect(QStyle::SE_CheckBoxContents, &option, this);
}

QFont WrappingCheckBox::captionFont() const {
    return ui::fittingFont(font(), captionArea(), text(), this, kCaptionFlags);
}

QRect WrappingCheckBox::captionBounds() const {
    return QFontMetrics(captionFont(), this).boundingRect(captionArea(), kCaptionFlags, text());
}

void WrappingCheckBox::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    QStyleOptionButton indicator = option;
    indicator.rect = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, this);
    painter.drawPrimitive(QStyle::PE_IndicatorCheckBox, indicator);

    painter.setFont(captionFont());
    painter.drawItemText(captionArea(), kCaptionFlags, palette(), isEnabled(), text(), QPalette::WindowText);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = captionBounds();
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

// The whole box answers a click, not only the indicator and the first line of the caption.
bool WrappingCheckBox::hitButton(const QPoint& pos) const {
    return rect().contains(pos);
}

frm_SondervikConfig::frm_SondervikConfig(clsSondervik& run) : run_(run) {
    setObjectName(QStringLiteral("frm_SondervikConfig"));
    setWindowTitle(QStringLiteral("Prozesskonfigurator"));
    setWindowIcon(ui::appIcon());
    ui::exposeTopLevelWidgetsAsWindows();
    QFont dialogFont = font();
    dialogFont.setPointSizeF(8.25);
    setFont(dialogFont);

    // In the order of creation.
    chkUpdate_ =
        makeCheckBox(this, "chkUpdate", QStringLiteral("Prozess starten wenn Aktivität geändert wird"), 2475,
                     4320, 2055, 375);
    chkUpdate_->setToolTip(
        QStringLiteral("Startet einen Prozess wenn eine zugehörige Startaktivität geändert wird"));
    chkAKTNew_ =
        makeCheckBox(this, "chkAKTNew", QStringLiteral("Prozess starten wenn Aktivität neu angelegt wird"),
                     2475, 3720, 2175, 375);
    chkAKTNew_->setToolTip(
        QStringLiteral("Startet Prozess wenn eine zugeordnete Startaktivität erstellt wird."));
    chkStartOnDone_ =
        makeCheckBox(this, "chkStartOnDone", QStringLiteral("Prozess starten wenn Aktivität erledigt"), 2475,
                     3120, 1935, 375);
    chkStartOnDone_->setToolTip(QStringLiteral(
        "Startet einen Prozess wenn eine zugehörige Startaktivität auf erledigt gesetzt wird."));
    btnClose_ = ui::makeControl<QPushButton>(this, "btn_Close", 2475, 4920, 1695, 375);
    btnClose_->setText(QStringLiteral("Beenden"));
    chkPRJ_ = makeCheckBox(this, "chk_PRJ", QStringLiteral("ein Projekt"), 2475, 1935, 1455, 375);
    chkOBJ_ = makeCheckBox(this, "chk_OBJ", QStringLiteral("ein Objekt"), 2475, 1530, 1575, 255);
    chkADB_ = makeCheckBox(this, "chk_AD_B", QStringLiteral("eine Adresse 2"), 2475, 1125, 1695, 255);
    chkAD_ = makeCheckBox(this, "chk_AD", QStringLiteral("eine Adresse 1"), 2475, 720, 1575, 255);
    processes_ = new ProcessListModel(this);
    lbProcess_ = ui::makeControl<SingleChoiceList>(this, "lb_Process", 150, 495, 2175, 4740);
    lbProcess_->setSelectionMode(QAbstractItemView::SingleSelection);
    lbProcess_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Every entry has one height: the view lays out 100,000 entries without measuring each.
    lbProcess_->setUniformItemSizes(true);
    lbProcess_->setModel(processes_);
    QLabel* advise =
        makeLabel(this, "lbl_Advise", QStringLiteral("Achtung! Änderungen werden direkt gespeichert."), 2475,
                  2450, 2775, 495);
    QFont adviseFont(QStringLiteral("MS Sans Serif"));
    adviseFont.setPointSizeF(8.25);
    adviseFont.setWeight(QFont::Bold);
    advise->setFont(adviseFont);
    QLabel* description =
        makeLabel(this, "lbl_Descrip",
                  QStringLiteral("Um den ausgewählten Prozess starten zu können benötigt die Aktivität:"),
                  2475, 150, 2760, 465);
    QLabel* heading = makeLabel(this, "lbl_Process", QStringLiteral("Prozesse"), 150, 150, 1095, 195);
    fitLabel(*advise);
    fitLabel(*description);

    // For assistive technology: the heading names the list (a list view takes its name from its own
    // accessible name only), and the instruction describes the four link boxes.
    heading->setBuddy(lbProcess_);
    lbProcess_->setAccessibleName(heading->text());
    for (WrappingCheckBox* link : {chkAD_, chkADB_, chkOBJ_, chkPRJ_})
        link->setAccessibleDescription(description->text());

    // Tab indexes 0 to 11; the labels take no focus.
    setTabOrder(lbProcess_, chkAD_);
    setTabOrder(chkAD_, chkADB_);
    setTabOrder(chkADB_, chkOBJ_);
    setTabOrder(chkOBJ_, chkPRJ_);
    setTabOrder(chkPRJ_, btnClose_);
    setTabOrder(btnClose_, chkStartOnDone_);
    setTabOrder(chkStartOnDone_, chkAKTNew_);
    setTabOrder(chkAKTNew_, chkUpdate_);
    lbProcess_->setFocus();

    ui::sizeAndCentreInTwips(*this, 5400, 5655);

    // Every flag of the configuration has the box the table names.
    for (const config::ConfigField& field : config::kFields)
        if (config::isFlag(field))
            if (auto* box =
                    findChild<WrappingCheckBox*>(QLatin1String(field.box), Qt::FindDirectChildrenOnly))
                fieldBoxes_.push_back({field.name, box});

    ui::Gui& gui = run_.gui();
    connect(lbProcess_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            gui.guarded([this] { lb_Process_Click(); }));
    connect(btnClose_, &QPushButton::clicked, this, gui.guarded([this] { btn_Close_Click(); }));
    // toggled is emitted exactly when the state changes, whether the user or the program changed it.
    for (const FieldBox& entry : fieldBoxes_)
        connect(entry.box, &QCheckBox::toggled, this,
                gui.guarded([this, field = entry.field] { chk_Click(field); }));
}

void frm_SondervikConfig::showWindow() {
    if (!isVisible()) run_.gui().showWindow(*this);
}

void frm_SondervikConfig::closeWindow() {
    close();
}

void ProcessListModel::setEntries(std::vector<ProcessEntry> entries) {
    beginResetModel();
    entries_ = std::move(entries);
    endResetModel();
}

const ProcessEntry* ProcessListModel::entry(int position) const {
    return position >= 0 && position < int(entries_.size()) ? &entries_[size_t(position)] : nullptr;
}

int ProcessListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(entries_.size());
}

QVariant ProcessListModel::data(const QModelIndex& index, int role) const {
    const ProcessEntry* shown = entry(index.row());
    if (!shown || index.column() != 0 || (role != Qt::DisplayRole && role != Qt::ToolTipRole)) return {};
    return shown->name;
}

QItemSelectionModel::SelectionFlags SingleChoiceList::selectionCommand(const QModelIndex& index,
                                                                       const QEvent* event) const {
    const QItemSelectionModel::SelectionFlags command = QListView::selectionCommand(index, event);
    if (!command.testAnyFlags(QItemSelectionModel::Deselect | QItemSelectionModel::Toggle |
                              QItemSelectionModel::Clear))
        return command;
    // Only a choice of another entry replaces the selection; nothing takes it away.
    if (!index.isValid() || selectionModel()->isSelected(index)) return QItemSelectionModel::NoUpdate;
    return QItemSelectionModel::ClearAndSelect;
}

void frm_SondervikConfig::clearProcesses() {
    processes_->setEntries({});
}

void frm_SondervikConfig::setProcesses(std::vector<ProcessEntry> entries) {
    processes_->setEntries(std::move(entries));
}

int frm_SondervikConfig::processCount() const {
    return processes_->rowCount();
}

std::optional<QString> frm_SondervikConfig::processDsn(int position) const {
    const ProcessEntry* entry = processes_->entry(position);
    return entry ? std::optional<QString>(entry->dsn) : std::nullopt;
}

void frm_SondervikConfig::selectProcess(int position) {
    const QModelIndex entry = processes_->index(position, 0);
    lbProcess_->selectionModel()->setCurrentIndex(entry, QItemSelectionModel::ClearAndSelect);
}

int frm_SondervikConfig::selectedPosition() const {
    const QModelIndexList selected = lbProcess_->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.front().row();
}

WrappingCheckBox* frm_SondervikConfig::boxFor(const QString& field) const {
    for (const FieldBox& entry : fieldBoxes_)
        if (field == QLatin1String(entry.field)) return entry.box;
    return nullptr;
}

std::optional<qint16> frm_SondervikConfig::boxState(const QString& field) const {
    const WrappingCheckBox* box = boxFor(field);
    if (!box) return std::nullopt;
    return box->isChecked() ? qint16(1) : qint16(0);
}

void frm_SondervikConfig::setBoxState(const QString& field, bool checked) {
    if (WrappingCheckBox* box = boxFor(field)) box->setChecked(checked);
}

void frm_SondervikConfig::lb_Process_Click() {
    const int position = selectedPosition();
    // Clearing the list takes the selection away; only a selected entry is loaded.
    if (position >= 0) run_.ShowProcessSettings(position);
}

void frm_SondervikConfig::chk_Click(const char* field) {
    run_.SaveProcessSetting(QLatin1String(field), selectedPosition());
}

void frm_SondervikConfig::btn_Close_Click() {
    close();
}

void frm_SondervikConfig::Form_Unload() {
    run_.CloseConfig();
}

void frm_SondervikConfig::keyPressEvent(QKeyEvent* event) {
    if (!ui::pressButtonForKey(*this, *event, {nullptr, btnClose_})) QWidget::keyPressEvent(event);
}

// Closing is never refused: every change has been stored already.
void frm_SondervikConfig::closeEvent(QCloseEvent* event) {
    run_.gui().runGuarded([this] { Form_Unload(); });
    event->accept();
}

}  // namespace sv

sv::ConfigWindow* sv_gui_make_config_window(sv::clsSondervik& run) {
    return new sv::frm_SondervikConfig(run);
}
