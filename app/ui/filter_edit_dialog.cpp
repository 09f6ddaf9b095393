#include "app/ui/filter_edit_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

#include "app/ui/dialog_util.h"

namespace tarvio {

namespace {

template <size_t N>
std::vector<std::string> texts(const std::array<const char*, N>& a) {
    return std::vector<std::string>(a.begin(), a.end());
}

}  // namespace

FilterEditDialog::FilterEditDialog(const Filter& filter, QWidget* parent) : QDialog(parent), editor_(filter) {
    setWindowTitle(tr("フィルターエディット"));
    name_ = new QLineEdit(qs(filter.name));
    name_->setObjectName(QStringLiteral("name"));
    source_ = choiceCombo(texts(FilterTexts::sources), filter.source, "source");
    parameter_ = rangeSpin(parameterRange(filter.source), filter.parameter, "parameter");
    parameter_->setRange(0, 127);  // shown (disabled) for the kinds that ignore it too
    parameter_->setValue(filter.parameter);
    parameter_->setEnabled(parameterRange(filter.source).used);

    rules_ = new QListWidget;
    rules_->setObjectName(QStringLiteral("rules"));
    action_ = choiceCombo(texts(FilterTexts::actions), kActionDelete, "action");
    option_ = choiceCombo(texts(FilterTexts::targets), kConvertKeyPress, "option");
    value_ = rangeSpin(valueRange(kActionDelete, 0), 0, "value");
    add_ = new QPushButton(tr("追加"));
    add_->setObjectName(QStringLiteral("addRule"));
    auto* remove = new QPushButton(tr("削除"));
    auto* up = new QPushButton(QStringLiteral("↑"));
    auto* down = new QPushButton(QStringLiteral("↓"));
    for (QPushButton* b : {add_, remove, up, down}) b->setAutoDefault(false);

    auto* head = new QGridLayout;
    head->addWidget(new QLabel(tr("フィルター名称")), 0, 0);
    head->addWidget(name_, 0, 1, 1, 2);
    head->addWidget(new QLabel(tr("適用メッセージ")), 1, 0);
    head->addWidget(source_, 1, 1);
    head->addWidget(parameter_, 1, 2);
    head->setColumnStretch(1, 1);

    auto* ruleButtons = new QVBoxLayout;
    ruleButtons->addWidget(remove);
    ruleButtons->addWidget(up);
    ruleButtons->addWidget(down);
    ruleButtons->addStretch();
    auto* ruleRow = new QHBoxLayout;
    ruleRow->addWidget(rules_, 1);
    ruleRow->addLayout(ruleButtons);

    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel(tr("動作")), 0, 0);
    fields->addWidget(action_, 0, 1);
    fields->addWidget(new QLabel(tr("動作オプション")), 1, 0);
    fields->addWidget(option_, 1, 1);
    fields->addWidget(new QLabel(tr("動作オプション値")), 2, 0);
    fields->addWidget(value_, 2, 1);
    fields->addWidget(add_, 2, 2);
    fields->setColumnStretch(1, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(head);
    layout->addWidget(new QLabel(tr("動作定義リスト")));
    layout->addLayout(ruleRow, 1);
    layout->addLayout(fields);
    layout->addWidget(okCancelButtons(this));
    resize(380, 400);

    // The two label columns line up.
    int width = 0;
    for (QGridLayout* g : {head, fields})
        for (int row = 0; row < g->rowCount(); ++row)
            if (QLayoutItem* item = g->itemAtPosition(row, 0)) width = std::max(width, item->sizeHint().width());
    for (QGridLayout* g : {head, fields}) g->setColumnMinimumWidth(0, width);

    fillRules(filter.rules.empty() ? -1 : 0);
    ruleFieldsChanged();
    showRule();
    connect(source_, &QComboBox::currentIndexChanged, this, &FilterEditDialog::sourceChanged);
    connect(action_, &QComboBox::currentIndexChanged, this, &FilterEditDialog::ruleFieldsChanged);
    connect(option_, &QComboBox::currentIndexChanged, this, &FilterEditDialog::ruleFieldsChanged);
    connect(value_, &QSpinBox::valueChanged, this, &FilterEditDialog::ruleFieldsChanged);
    connect(rules_, &QListWidget::currentRowChanged, this, &FilterEditDialog::showRule);
    connect(add_, &QPushButton::clicked, this, &FilterEditDialog::addRule);
    connect(remove, &QPushButton::clicked, this, &FilterEditDialog::removeRule);
    connect(up, &QPushButton::clicked, this, [this] { moveRule(-1); });
    connect(down, &QPushButton::clicked, this, [this] { moveRule(+1); });
}

FilterRule FilterEditDialog::fieldRule() const {
    return normalizedRule({action_->currentIndex(), option_->currentIndex(), value_->value()});
}

void FilterEditDialog::fillRules(int select) {
    const QSignalBlocker block(rules_);
    rules_->clear();
    for (const std::string& t : editor_.ruleTexts()) rules_->addItem(qs(t));
    rules_->setCurrentRow(select);
}

void FilterEditDialog::sourceChanged() { parameter_->setEnabled(parameterRange(source_->currentIndex()).used); }

void FilterEditDialog::ruleFieldsChanged() {
    const int action = action_->currentIndex();
    option_->setEnabled(optionUsed(action));
    const FieldRange range = valueRange(action, option_->currentIndex());
    if (value_->isEnabled() != range.used || value_->minimum() != range.min || value_->maximum() != range.max) {
        const QSignalBlocker block(value_);
        setSpinRange(value_, range);
    }
    add_->setEnabled(acceptableRule(fieldRule()));
}

// Selecting a rule shows its fields, so that a similar rule is quick to add.
void FilterEditDialog::showRule() {
    const int row = rules_->currentRow();
    if (row < 0) return;
    const FilterRule& r = editor_.filter().rules[size_t(row)];
    {
        const QSignalBlocker a(action_), o(option_);
        action_->setCurrentIndex(r.action);
        option_->setCurrentIndex(r.option);
    }
    ruleFieldsChanged();
    value_->setValue(r.value);
}

void FilterEditDialog::addRule() {
    if (editor_.addRule(fieldRule())) fillRules(int(editor_.filter().rules.size()) - 1);
}

void FilterEditDialog::removeRule() {
    const int row = rules_->currentRow();
    if (!editor_.removeRule(row)) return;
    fillRules(std::min(row, int(editor_.filter().rules.size()) - 1));
}

void FilterEditDialog::moveRule(int delta) { fillRules(editor_.moveRule(rules_->currentRow(), delta)); }

Filter FilterEditDialog::filter() const {
    FilterEditor e = editor_;
    e.setName(name_->text().toStdString());
    if (source_->currentIndex() >= 0) e.setSource(source_->currentIndex(), parameter_->value());
    return e.filter();
}

}  // namespace tarvio
