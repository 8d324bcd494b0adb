#pragma once

#include "classifypreview.h"
#include "dialogs/languagetable.h"

#include <QDialog>

class MessageTable;
class QLabel;
class QPushButton;
class QTableWidget;

// Shows what Classify would do with each file of the file list, and copies it as text.
class PreviewDialog : public QDialog
{
    Q_OBJECT

public:
    explicit PreviewDialog(QWidget *parent = nullptr);

    /// Takes the texts of the language file, if there is one.
    void applyLanguage();
    /// Fills the table and shows it modally; `notes` (lines of the list that file nothing, say) above it.
    void showPreview(const QList<PreviewRow> &rows, const MessageTable &messages, const QString &notes = {});

    QTableWidget *table() const { return m_table; }

private:
    QLabel *m_notes = nullptr;
    QTableWidget *m_table = nullptr;
    QPushButton *m_copyButton = nullptr;
    QPushButton *m_closeButton = nullptr;
    LanguageTable m_language;
    QString m_text;
};
