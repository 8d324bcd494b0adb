#pragma once

#include "classifypreview.h"
#include "dialogs/languagetable.h"

#include <QDialog>

class MessageTable;
class QLabel;
class QMenu;
class QPushButton;
class QTableWidget;

// Shows what Classify would do with each file of the file list, with the folders suggested for pages
// without a keyword; files a page into one of them, runs Classify on what it shows, copies it as text.
class PreviewDialog : public QDialog
{
    Q_OBJECT

public:
    explicit PreviewDialog(QWidget *parent = nullptr);

    /// Takes the texts of the language file, if there is one.
    void applyLanguage();
    /// Fills the table and shows it modally; `notes` (lines of the list that file nothing, say) above it.
    /// True when the user asked to classify the files shown.
    bool showPreview(const QList<PreviewRow> &rows, const MessageTable &messages, const QString &notes = {});
    /// The row's file went into a folder: it leaves the table.
    void removeRow(int row);

    QTableWidget *table() const { return m_table; }
    const QList<PreviewRow> &rows() const { return m_rows; }

Q_SIGNALS:
    /// The user chose the row's suggestion `suggestion` (its index in the row's suggestions).
    void suggestionChosen(int row, int suggestion);

private:
    void fillTable();
    void fitColumns();
    void showSuggestionMenu(int row, const QPoint &at);

    QLabel *m_counts = nullptr;
    QLabel *m_notes = nullptr;
    QTableWidget *m_table = nullptr;
    QPushButton *m_suggestionButton = nullptr;
    QPushButton *m_classifyButton = nullptr;
    QPushButton *m_copyButton = nullptr;
    QPushButton *m_closeButton = nullptr;
    QMenu *m_menu = nullptr;
    LanguageTable m_language;
    QList<PreviewRow> m_rows;
    const MessageTable *m_messages = nullptr;
    bool m_classify = false;
};
