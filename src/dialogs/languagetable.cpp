#include "languagetable.h"

#include "languagefile.h"
#include "programlanguage.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabBar>
#include <QTableWidget>

using namespace Qt::StringLiterals;

LanguageTable::LanguageTable(QString section, MissingKeys missing)
    : m_section(std::move(section))
    , m_missing(missing)
{ }

LanguageTable &LanguageTable::add(const QString &key, std::function<void(const QString &)> set,
                                  std::function<QString()> get, bool lineBreaks)
{
    m_entries.append({key, std::move(set), std::move(get), lineBreaks, std::nullopt});
    if (m_missing == MissingKeys::English && m_entries.last().get)
        orEnglish();
    return *this;
}

LanguageTable &LanguageTable::orEnglish()
{
    Entry &entry = m_entries.last();
    Q_ASSERT(entry.get);
    entry.english = entry.get();
    return *this;
}

namespace {

template<typename Control> std::function<void(const QString &)> textSetter(Control *control)
{
    return [control](const QString &text) { control->setText(text); };
}

template<typename Control> std::function<QString()> textGetter(Control *control)
{
    return [control] { return control->text(); };
}

} // namespace

LanguageTable &LanguageTable::caption(const QString &name, QAbstractButton *control)
{
    control->setObjectName(name);
    return add(name + u"->Caption"_s, textSetter(control), textGetter(control));
}

LanguageTable &LanguageTable::caption(const QString &name, QLabel *control)
{
    control->setObjectName(name);
    return add(name + u"->Caption"_s, textSetter(control), textGetter(control));
}

LanguageTable &LanguageTable::caption(const QString &name, QGroupBox *control)
{
    control->setObjectName(name);
    return add(
        name + u"->Caption"_s, [control](const QString &text) { control->setTitle(text); },
        [control] { return control->title(); });
}

LanguageTable &LanguageTable::caption(const QString &name, QAction *control)
{
    control->setObjectName(name);
    return add(name + u"->Caption"_s, textSetter(control), textGetter(control));
}

LanguageTable &LanguageTable::multiLineCaption(const QString &name, QLabel *control)
{
    control->setObjectName(name);
    return add(name + u"->Caption"_s, textSetter(control), textGetter(control), true);
}

LanguageTable &LanguageTable::hint(const QString &name, QWidget *control)
{
    control->setObjectName(name);
    return add(
        name + u"->Hint"_s, [control](const QString &text) { control->setToolTip(text); },
        [control] { return control->toolTip(); });
}

LanguageTable &LanguageTable::editText(const QString &name, QLineEdit *control)
{
    control->setObjectName(name);
    return add(name + u"->Text"_s, textSetter(control), textGetter(control));
}

LanguageTable &LanguageTable::tabTitles(const QString &name, QTabBar *control)
{
    control->setObjectName(name);
    for (int i = 0; i < control->count(); ++i)
        add(
            name + u"->Tabs->Items%1"_s.arg(i), [control, i](const QString &text) { control->setTabText(i, text); },
            [control, i] { return control->tabText(i); });
    return *this;
}

LanguageTable &LanguageTable::columnTitles(const QString &name, QTableWidget *control)
{
    control->setObjectName(name);
    for (int i = 0; i < control->columnCount(); ++i) {
        QTableWidgetItem *header = control->horizontalHeaderItem(i);
        add(
            name + u"->Columns->Items%1"_s.arg(i), [header](const QString &text) { header->setText(text); },
            [header] { return header->text(); })
            .orEnglish();
    }
    return *this;
}

LanguageTable &LanguageTable::windowTitle(QWidget *window)
{
    return add(
        u"Caption"_s, [window](const QString &text) { window->setWindowTitle(text); },
        [window] { return window->windowTitle(); });
}

LanguageTable &LanguageTable::windowHint(QWidget *window)
{
    return add(
        u"Hint"_s, [window](const QString &text) { window->setStatusTip(text); },
        [window] { return window->statusTip(); });
}

LanguageTable &LanguageTable::messages(int count, std::function<void(int, const QString &)> keep)
{
    for (int n = 1; n <= count; ++n)
        add(
            u"Msg%1"_s.arg(n), [keep, n](const QString &text) { keep(n, text); }, {}, true);
    return *this;
}

void LanguageTable::apply(const LanguageFile &file) const
{
    for (const Entry &entry : m_entries) {
        std::optional<QString> text = file.textIfPresent(m_section, entry.key);
        if (!text)
            text = entry.english.value_or(QString());
        if (entry.lineBreaks)
            text->replace(u"<br>"_s, u"\n"_s);
        entry.set(*text);
    }
}

bool LanguageTable::applyProgramLanguage() const
{
    const LanguageFile file = ProgramLanguage::languageFile();
    if (!file.exists())
        return false;
    apply(file);
    return true;
}
