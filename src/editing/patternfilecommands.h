#pragma once

#include <QObject>
#include <QString>

#include <functional>

class Desk;
class DeskView;
class QWidget;

// New List and Load: the keyword list is written to its file before another file becomes current.
class PatternFileCommands : public QObject
{
    Q_OBJECT
public:
    /// Asks for a pattern file starting in `folder`; the empty text when cancelled.
    using FileChooser = std::function<QString(QWidget *parent, const QString &folder)>;

    /// The file dialogs open over `window`.
    PatternFileCommands(Desk &desk, DeskView &view, QWidget *window);

    /// New List: the current list is saved, then a new file becomes current with an empty list.
    void startNewList();
    /// Load: the chosen file is read, then the current list is saved and the chosen file's list shown. A file
    /// that is there but cannot be read changes nothing; a new name becomes current with an empty list.
    void loadList();

    /// Tests answer the file dialogs themselves.
    void setSaveChooser(FileChooser chooser) { m_chooseSave = std::move(chooser); }
    void setOpenChooser(FileChooser chooser) { m_chooseOpen = std::move(chooser); }

    /// The dialogs' filter: one entry for "*.dat".
    static QString fileFilter();

private:
    /// Writes the list before another file becomes current; false when the command must stop.
    bool saveCurrentList();

    Desk &m_desk;
    DeskView &m_view;
    QWidget *m_window;
    FileChooser m_chooseSave;
    FileChooser m_chooseOpen;
};
