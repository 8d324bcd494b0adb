#pragma once

#include <QList>
#include <QString>

#include <functional>
#include <optional>

class LanguageFile;
class QAbstractButton;
class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QTabBar;
class QTableWidget;
class QWidget;

// The texts a window takes from its section of the language file, each key with what it sets. Every
// window keeps one such table: the key a translator writes and the control the code names meet here
// and nowhere else. A control reached by a key carries the key's control name as its object name.
class LanguageTable
{
public:
    /// What a key the language file lacks sets: the empty text, as the first language files expect, or,
    /// for a section that came after them, the text the control was given in the code.
    enum class MissingKeys { Empty, English };

    explicit LanguageTable(QString section, MissingKeys missing = MissingKeys::Empty);

    /// "<name>->Caption": the control's caption.
    LanguageTable &caption(const QString &name, QAbstractButton *control);
    LanguageTable &caption(const QString &name, QLabel *control);
    LanguageTable &caption(const QString &name, QGroupBox *control);
    LanguageTable &caption(const QString &name, QAction *control);
    /// "<name>->Caption" in which "<br>" starts a new line.
    LanguageTable &multiLineCaption(const QString &name, QLabel *control);
    /// "<name>->Hint": the control's tooltip.
    LanguageTable &hint(const QString &name, QWidget *control);
    /// "<name>->Text": the text in an edit box.
    LanguageTable &editText(const QString &name, QLineEdit *control);
    /// "<name>->Tabs->Items0", "...Items1", ...: the title of each tab the bar holds now.
    LanguageTable &tabTitles(const QString &name, QTabBar *control);
    /// "<name>->Columns->Items0", "...Items1", ...: the title of each column the table holds now; a key the
    /// file lacks keeps the English title.
    LanguageTable &columnTitles(const QString &name, QTableWidget *control);
    /// "Caption": the window's title.
    LanguageTable &windowTitle(QWidget *window);
    /// "Hint": the window's own hint, which nothing shows.
    LanguageTable &windowHint(QWidget *window);
    /// "Msg1" ... "Msg<count>": texts the window keeps for later; "<br>" starts a new line.
    LanguageTable &messages(int count, std::function<void(int n, const QString &text)> keep);

    /// The entry added last keeps the text it was given in the code when a language file lacks its key.
    /// For keys that came after the first language files: a translation made before them still shows a text.
    LanguageTable &orEnglish();

    /// Sets every text from the file's section, in table order; a key the file lacks sets the empty text
    /// (or the English text, in a MissingKeys::English table and for entries marked orEnglish()).
    void apply(const LanguageFile &file) const;
    /// apply() with the language file the program speaks; false, and nothing set, when it speaks its own
    /// English.
    bool applyProgramLanguage() const;

private:
    struct Entry
    {
        QString key;
        std::function<void(const QString &)> set;
        std::function<QString()> get; ///< the text now shown; none for texts kept for later
        bool lineBreaks = false;
        std::optional<QString> english;
    };
    LanguageTable &add(const QString &key, std::function<void(const QString &)> set, std::function<QString()> get = {},
                       bool lineBreaks = false);

    QString m_section;
    MissingKeys m_missing;
    QList<Entry> m_entries;
};
