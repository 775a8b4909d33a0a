// SPDX-License-Identifier: GPL-3.0-or-later
#include "select_rule_form.h"

#include "path_text.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace twinly {

namespace {

struct RuleChoice {
    KeepRule rule;
    const char *name; // the radio button's object name
    const char *key;
    const char *builtIn;
};

constexpr RuleChoice kChoices[] = {
    {KeepRule::Newest, "RuleNewest", "strRuleNewest", "the newest file"},
    {KeepRule::Oldest, "RuleOldest", "strRuleOldest", "the oldest file"},
    {KeepRule::ShortestPath, "RuleShortestPath", "strRuleShortestPath", "the shortest path"},
    {KeepRule::LongestPath, "RuleLongestPath", "strRuleLongestPath", "the longest path"},
    {KeepRule::ShortestName, "RuleShortestName", "strRuleShortestName", "the shortest name"},
    {KeepRule::First, "RuleFirst", "strRuleFirst", "the first in list order"},
    {KeepRule::InsideFolder, "RuleInside", "strRuleInside", "the first inside the folder"},
    {KeepRule::OutsideFolder, "RuleOutside", "strRuleOutside", "the first outside the folder"},
    {KeepRule::NameMatches, "RuleName", "strRuleName", "the first whose name matches"},
};

bool takesFolder(KeepRule r)
{
    return r == KeepRule::InsideFolder || r == KeepRule::OutsideFolder;
}

} // namespace

TSelectRuleForm::TSelectRuleForm(const SelectionRule &rule, const Texts &texts,
                                 FolderChooser chooseFolder, QWidget *parent)
    : QDialog(parent), m_chooseFolder(std::move(chooseFolder))
{
    setObjectName(QStringLiteral("SelectRuleForm"));
    setWindowTitle(texts("strRuleCaption", "Select by rule"));
    auto *v = new QVBoxLayout(this);
    v->addWidget(new QLabel(texts("strRuleKeep", "Keep in every group, and check the others:")));
    v->addWidget(new QLabel(texts("strRuleOriginals", "Files in reference folders are always "
                                                      "kept.")));
    m_rules = new QButtonGroup(this);
    auto *grid = new QGridLayout;
    int line = 0;
    for (const RuleChoice &c : kChoices) {
        auto *radio = new QRadioButton(texts(c.key, c.builtIn));
        radio->setObjectName(QString::fromLatin1(c.name));
        m_rules->addButton(radio, static_cast<int>(c.rule));
        grid->addWidget(radio, line, 0);
        if (c.rule == KeepRule::InsideFolder) {
            RuleFolder = new QLineEdit;
            RuleFolder->setObjectName(QStringLiteral("RuleFolder"));
            RuleFolderBut = new QToolButton;
            RuleFolderBut->setObjectName(QStringLiteral("RuleFolderBut"));
            RuleFolderBut->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
            RuleFolderBut->setToolTip(texts("strRuleFolderHint", "Choose the folder."));
            auto *h = new QHBoxLayout;
            h->addWidget(RuleFolder, 1);
            h->addWidget(RuleFolderBut);
            grid->addLayout(h, line, 1, 2, 1, Qt::AlignVCenter);
        } else if (c.rule == KeepRule::NameMatches) {
            RuleMask = new QLineEdit;
            RuleMask->setObjectName(QStringLiteral("RuleMask"));
            RuleMask->setToolTip(
                texts("strRuleMaskHint", "Name masks ( ; or , separated), e.g. *.jpg;IMG_*"));
            grid->addWidget(RuleMask, line, 1);
        }
        ++line;
    }
    grid->setColumnStretch(1, 1);
    v->addLayout(grid);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    OKBut = buttons->button(QDialogButtonBox::Ok);
    OKBut->setObjectName(QStringLiteral("OKBut"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("CancelBut"));
    v->addWidget(buttons);

    if (QAbstractButton *b = m_rules->button(static_cast<int>(rule.rule)))
        b->setChecked(true);
    if (takesFolder(rule.rule))
        RuleFolder->setText(platform::DisplayPath(rule.argument));
    else if (rule.rule == KeepRule::NameMatches)
        RuleMask->setText(QString::fromStdString(rule.argument));

    connect(m_rules, &QButtonGroup::idToggled, this, [this] { updateControls(); });
    connect(RuleFolder, &QLineEdit::textChanged, this, [this] { updateControls(); });
    connect(RuleMask, &QLineEdit::textChanged, this, [this] { updateControls(); });
    connect(RuleFolderBut, &QToolButton::clicked, this, &TSelectRuleForm::RuleFolderButClick);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    updateControls();
}

std::optional<SelectionRule> TSelectRuleForm::rule() const
{
    const int id = m_rules->checkedId();
    if (id < 0)
        return std::nullopt;
    SelectionRule r{static_cast<KeepRule>(id), {}};
    if (takesFolder(r.rule))
        r.argument = platform::PathFromUserText(RuleFolder->text().trimmed());
    else if (r.rule == KeepRule::NameMatches)
        r.argument = RuleMask->text().trimmed().toStdString();
    if ((takesFolder(r.rule) || r.rule == KeepRule::NameMatches) && r.argument.empty())
        return std::nullopt;
    return r;
}

void TSelectRuleForm::updateControls()
{
    const int id = m_rules->checkedId();
    const bool folder = id >= 0 && takesFolder(static_cast<KeepRule>(id));
    RuleFolder->setEnabled(folder);
    RuleFolderBut->setEnabled(folder);
    RuleMask->setEnabled(id == static_cast<int>(KeepRule::NameMatches));
    OKBut->setEnabled(rule().has_value());
}

void TSelectRuleForm::RuleFolderButClick()
{
    if (!m_chooseFolder)
        return;
    const QString chosen = m_chooseFolder(RuleFolder->text());
    if (!chosen.isEmpty())
        RuleFolder->setText(chosen);
}

} // namespace twinly
