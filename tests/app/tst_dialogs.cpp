#include "dialogs/keywordchoicedialog.h"
#include "dialogs/folderchooser.h"
#include "browser/filelist.h"
#include "testfiles.h"
#include "dialogs/helpcontext.h"
#include "dialogs/messagedialog.h"
#include "dialogs/optionsdialog.h"
#include "dialogs/thresholdspinbox.h"
#include "dialogs/waitwindow.h"
#include "dialogs/widgetprompts.h"
#include "help/helptree.h"
#include "help/helpwindow.h"
#include "languagefile.h"
#include "marrowdaleerror.h"
#include "messagelayout.h"
#include "messagetable.h"
#include "programlanguage.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileSystemModel>
#include <QStandardItemModel>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QTextLayout>
#include <QTimer>

#include <deque>
#include <functional>

using namespace Qt::StringLiterals;

namespace {

QList<int> helpRequests;

// Acts on each modal window as it appears, one step per window; closes anything left open so that a
// failing test ends instead of hanging.
class ModalScript
{
public:
    using Step = std::function<void(QWidget *)>;

    explicit ModalScript(std::deque<Step> steps)
        : m_steps(std::move(steps))
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { tick(); });
        m_timer.start(5);
    }
    bool finished() const { return m_steps.empty() && !m_forced; }

private:
    void tick()
    {
        QWidget *w = QApplication::activeModalWidget();
        if (!w)
            return;
        if (w == m_last && w->isVisible()) {
            if (++m_idle < 400)
                return;
            m_forced = true; // a step left its window open: end it so the test fails instead of hanging
            w->close();
            return;
        }
        m_idle = 0;
        if (m_steps.empty()) {
            m_forced = true;
            w->close();
            return;
        }
        const Step step = m_steps.front();
        m_steps.pop_front();
        m_last = w;
        // Run the step outside this timer's slot: a timer does not fire again while its slot runs,
        // and a step may open the next modal window.
        QTimer::singleShot(0, [this, step, w = QPointer<QWidget>(w)] {
            if (!w || QApplication::activeModalWidget() != w || !w->isVisible()) {
                m_steps.push_front(step); // the window closed in the meantime: wait for the next one
                m_last = nullptr;
                return;
            }
            step(w);
            if (m_last == w && !w->isVisible())
                m_last = nullptr; // the same window may be shown again by the next call
        });
    }

    std::deque<Step> m_steps;
    QTimer m_timer;
    QPointer<QWidget> m_last;
    int m_idle = 0;
    bool m_forced = false;
};

template<typename T = QWidget> T *child(QWidget *w, const QString &name)
{
    return w->findChild<T *>(name);
}

void press(QWidget *w, Qt::Key key)
{
    QWidget *focus = QApplication::focusWidget();
    QTest::keyClick(focus && focus->window() == w ? focus : w, key);
}

void click(QWidget *w, const QString &button)
{
    QPushButton *b = child<QPushButton>(w, button);
    QVERIFY2(b && b->isVisible(), qPrintable(button));
    b->click();
}

// Actions of the data rows: "click:name", "key:Return", "key:Escape", "key:Down", "alt:letter", "close",
// "type:text", "select:row", "double:row". Every action but the last must leave the window open.
void act(QWidget *w, const QStringList &actions)
{
    for (qsizetype i = 0; i < actions.size(); ++i) {
        QVERIFY2(w->isVisible(), qPrintable(u"closed before "_s + actions[i]));
        const QString verb = actions[i].section(u':', 0, 0);
        const QString arg = actions[i].section(u':', 1);
        if (verb == u"click")
            click(w, arg);
        else if (verb == u"key")
            press(w, arg == u"Return" ? Qt::Key_Return : arg == u"Down" ? Qt::Key_Down : Qt::Key_Escape);
        else if (verb == u"alt")
            QTest::keyClick(QApplication::focusWidget(), Qt::Key(Qt::Key_A + (arg.at(0).unicode() - u'A')),
                            Qt::AltModifier);
        else if (verb == u"close")
            w->close();
        else if (verb == u"type")
            w->findChild<QLineEdit *>(u"input"_s)->setText(arg);
        else if (verb == u"select")
            w->findChild<QListWidget *>()->setCurrentRow(arg.toInt());
        else if (verb == u"double") {
            auto *list = w->findChild<QListWidget *>();
            const QRect r = list->visualRect(list->model()->index(arg.toInt(), 0));
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, r.center());
        }
    }
    QTRY_VERIFY(!w->isVisible()); // a mnemonic presses its button for a moment before it clicks
}

void writeLanguageFile(const QString &text)
{
    QDir().mkpath(qEnvironmentVariable("XDG_CONFIG_HOME") + u"/marrowdale"_s);
    QFile file(qEnvironmentVariable("XDG_CONFIG_HOME") + u"/marrowdale/marrowdale.lng"_s);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text.toUtf8());
    file.close();
    ProgramLanguage::reload();
}

void removeLanguageFile()
{
    QFile::remove(qEnvironmentVariable("XDG_CONFIG_HOME") + u"/marrowdale/marrowdale.lng"_s);
    ProgramLanguage::reload();
}

} // namespace

class TestDialogs : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void msgBoxResult_data();
    void msgBoxResult();
    void folderChooserOffersNoCompanionFolder();
    void fileListCountsAsPeopleDo();
    void nestedCallGetsABoxOfItsOwn();
    void msgBoxLayout_data();
    void msgBoxLayout();
    void askText_data();
    void askText();
    void inputWidthsAndHelpContext();
    void askIntegerRejectsText();
    void spinBox_data();
    void spinBox();
    void optionSentenceAndCheckBox();
    void optionLanguageFile();
    void folderButton_data();
    void folderButton();
    void keywordChoice_data();
    void keywordChoice();
    void keywordChoiceLanguageFile();
    void confirmMove_data();
    void confirmMove();
    void windowsOpenCentred_data();
    void windowsOpenCentred();

private:
    QTemporaryDir m_home;
};

void TestDialogs::initTestCase()
{
    QVERIFY(m_home.isValid());
    qputenv("XDG_CONFIG_HOME", m_home.filePath(u"config"_s).toUtf8());
    HelpContext::setHandler([](int context) { helpRequests << context; });
}

void TestDialogs::init()
{
    helpRequests.clear();
    removeLanguageFile();
}

void TestDialogs::msgBoxResult_data()
{
    QTest::addColumn<QString>("buttons");
    QTest::addColumn<QStringList>("actions");
    QTest::addColumn<int>("expected");

    QTest::newRow("OK") << u"OK"_s << QStringList {u"click:okButton"_s} << 1;
    QTest::newRow("Enter on OK") << u"OK"_s << QStringList {u"key:Return"_s} << 1;
    QTest::newRow("Enter answers Yes") << u"YesNo"_s << QStringList {u"key:Return"_s} << 6;
    QTest::newRow("No") << u"YesNo"_s << QStringList {u"click:noButton"_s} << 7;
    QTest::newRow("close box") << u"YesNo"_s << QStringList {u"close"_s} << 2;
    QTest::newRow("Esc without Cancel does nothing") << u"YesNo"_s << QStringList {u"key:Escape"_s, u"close"_s} << 2;
    QTest::newRow("Esc presses Cancel") << u"OKCancel"_s << QStringList {u"key:Escape"_s} << 2;
    QTest::newRow("Help keeps the box open")
        << u"OKHelp"_s << QStringList {u"click:helpButton"_s, u"click:okButton"_s} << 1;
    QTest::newRow("no button, only the close box") << QString() << QStringList {u"close"_s} << 2;
}

void TestDialogs::msgBoxResult()
{
    QFETCH(QString, buttons);
    QFETCH(QStringList, actions);
    QFETCH(int, expected);
    MessageDialog dlg;
    ModalScript script({[&](QWidget *w) { act(w, actions); }});
    QCOMPARE(dlg.showMessage(u"Message"_s, QString(), buttons, 4), expected);
    QVERIFY(script.finished());
    QCOMPARE(helpRequests, buttons.contains(u"Help"_s) ? QList<int> {4} : QList<int> {});
}

void TestDialogs::nestedCallGetsABoxOfItsOwn()
{
    // A timer tick may raise a notice while the box is still asking something.
    MessageDialog dlg;
    int inner = 0;
    ModalScript script({[&](QWidget *outer) {
                            inner = dlg.showMessage(u"Inner"_s, QString(), u"OK"_s, 1);
                            QCOMPARE(child<QTextEdit>(outer, u"messageText"_s)->toPlainText(), u"Outer"_s);
                            static_cast<QDialog *>(outer)->done(MessageDialog::ResultYes);
                        },
                        [&](QWidget *w) {
                            QVERIFY(w != &dlg);
                            static_cast<QDialog *>(w)->done(MessageDialog::ResultOk);
                        }});
    QCOMPARE(dlg.showMessage(u"Outer"_s, QString(), u"YesNo"_s, 1), int(MessageDialog::ResultYes));
    QCOMPARE(inner, int(MessageDialog::ResultOk));
    QVERIFY(script.finished());
}

void TestDialogs::msgBoxLayout_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("lines"); // 0: as many as the text box breaks the message into
    QTest::addColumn<QList<int>>("heights"); // text box, button bar top, dialog; empty: the rule's for those lines

    QTest::newRow("one line is centred") << u"Hello"_s << 1 << QList<int> {32, 58, 118};
    QTest::newRow("many lines are not cut off")
        << u"1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n12"_s << 12 << QList<int> {153, 179, 239};
    QTest::newRow("welcome wraps, left-aligned") << MessageTable::defaultText(1) << 0 << QList<int> {};
}

void TestDialogs::msgBoxLayout()
{
    QFETCH(QString, message);
    QFETCH(int, lines);
    QFETCH(QList<int>, heights);
    MessageDialog dlg;
    ModalScript script({[&](QWidget *w) {
        auto *text = child<QTextEdit>(w, u"messageText"_s);
        int shown = 0;
        for (QTextBlock block = text->document()->begin(); block.isValid(); block = block.next())
            shown += block.layout()->lineCount();
        if (lines > 0)
            QCOMPARE(shown, lines);
        else
            QVERIFY(shown > 1);
        if (heights.isEmpty())
            heights = {MessageLayout::textHeight(shown), MessageLayout::buttonBarTop(shown),
                       MessageLayout::dialogHeight(shown)};
        QCOMPARE((QList<int> {text->height(), child(w, u"buttonBar"_s)->y(), w->height()}), heights);
        QCOMPARE(w->width(), 440);
        QCOMPARE(child(w, u"okButton"_s)->x(), 177);
        QVERIFY(text->document()->size().height() <= text->height());
        const Qt::Alignment align = text->document()->firstBlock().blockFormat().alignment();
        QCOMPARE(bool(align & Qt::AlignHCenter), shown == 1);
        click(w, u"okButton"_s);
    }});
    dlg.showMessage(message, QString(), u"OK"_s, 1);
    QVERIFY(script.finished());
}

void TestDialogs::askText_data()
{
    QTest::addColumn<QStringList>("actions");
    QTest::addColumn<QString>("expected");

    QTest::newRow("Cancel gives empty text") << QStringList {u"click:cancelButton"_s} << QString();
    QTest::newRow("Esc gives empty text") << QStringList {u"key:Escape"_s} << QString();
    QTest::newRow("close gives empty text") << QStringList {u"close"_s} << QString();
    QTest::newRow("Enter keeps the default") << QStringList {u"key:Return"_s} << u"word"_s;
    QTest::newRow("typed text after OK") << QStringList {u"type:other"_s, u"click:okButton"_s} << u"other"_s;
}

void TestDialogs::askText()
{
    QFETCH(QStringList, actions);
    QFETCH(QString, expected);
    MessageDialog dlg;
    ModalScript script({[&](QWidget *w) { act(w, actions); }});
    QCOMPARE(dlg.askText(u"Caption"_s, u"Prompt"_s, QString(), u"word"_s, 100, 2), expected);
    QVERIFY(script.finished());
}

void TestDialogs::inputWidthsAndHelpContext()
{
    MessageDialog dlg;
    QList<int> widths;
    QList<int> contexts;
    const auto record = [&](const QString &button) {
        return [&, button](QWidget *w) {
            widths << w->width();
            contexts << HelpContext::forRequest(w);
            click(w, button);
        };
    };
    ModalScript script({record(u"okButton"_s), record(u"cancelButton"_s), record(u"cancelButton"_s),
                        record(u"okButton"_s), record(u"cancelButton"_s), record(u"okButton"_s)});
    dlg.showMessage(u"m"_s, QString(), u"OK"_s, 9); // no Help: context stays 1
    dlg.askText(u"c"_s, u"p"_s, QString(), u"d"_s, 100, 2);
    dlg.askText(u"c"_s, u"p"_s, QString(), u"d"_s, 100, 3);
    dlg.showMessage(u"m"_s, QString(), u"YesNoOK"_s, 7); // still 3
    dlg.askText(u"c"_s, u"p"_s, u"files"_s, u"d"_s, 100, 2);
    dlg.showMessage(u"m"_s, QString(), u"OKHelp"_s, 6);
    QVERIFY(script.finished());
    QCOMPARE(widths, (QList<int> {440, 480, 520, 440, 698, 440}));
    QCOMPARE(contexts, (QList<int> {1, 2, 3, 3, 2, 6}));
}

void TestDialogs::askIntegerRejectsText()
{
    MessageDialog dlg;
    ModalScript script({[](QWidget *w) {
                            act(w, {u"type:12"_s, u"click:okButton"_s});
                        },
                        [](QWidget *w) {
                            act(w, {u"type:twelve"_s, u"click:okButton"_s});
                        },
                        [](QWidget *w) { act(w, {u"click:cancelButton"_s}); }});
    QCOMPARE(dlg.askInteger(u"c"_s, u"p"_s, QString(), 5, 100, 1), 12);
    QVERIFY_THROWS_EXCEPTION(MarrowdaleError, dlg.askInteger(u"c"_s, u"p"_s, QString(), 5, 100, 1));
    QVERIFY_THROWS_EXCEPTION(MarrowdaleError, dlg.askInteger(u"c"_s, u"p"_s, QString(), 5, 100, 1));
    QVERIFY(script.finished());
}

void TestDialogs::spinBox_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("expected");

    QTest::newRow("up to the maximum") << 999900 << u"up"_s << 1000000;
    QTest::newRow("up at the maximum") << 1000000 << u"up"_s << 1000000;
    QTest::newRow("down at the minimum") << 100 << u"down"_s << 100;
    QTest::newRow("down by 200") << 2000 << u"down"_s << 1800;
    QTest::newRow("typed 50 becomes 100") << 2000 << u"50"_s << 100;
    QTest::newRow("letters become 100") << 2000 << u"abc"_s << 100;
    QTest::newRow("typed too large") << 2000 << u"5000000"_s << 1000000;
    QTest::newRow("typed in range") << 2000 << u"2500"_s << 2500;
}

void TestDialogs::spinBox()
{
    QFETCH(int, start);
    QFETCH(QString, action);
    QFETCH(int, expected);
    OptionsDialog dlg;
    dlg.setDenominator(start);
    auto *spin = child<ThresholdSpinBox>(&dlg, u"thresholdBox"_s);
    if (action == u"up")
        QTest::keyClick(spin, Qt::Key_Up);
    else if (action == u"down")
        QTest::keyClick(spin, Qt::Key_Down);
    else {
        spin->findChild<QLineEdit *>()->setText(action);
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(spin, &out);
    }
    QCOMPARE(dlg.denominator(), expected);
    QCOMPARE(spin->text(), QString::number(expected));
    QVERIFY(child<QLabel>(&dlg, u"Label1"_s)->text().contains(u"1/%1,"_s.arg(expected)));
}

void TestDialogs::optionSentenceAndCheckBox()
{
    OptionsDialog dlg;
    dlg.setSift(false);
    auto *spin = child(&dlg, u"thresholdBox"_s);
    QVERIFY(!spin->isEnabled());
    dlg.show();
    auto *label1 = child<QLabel>(&dlg, u"Label1"_s);
    auto *label3 = child<QLabel>(&dlg, u"Label3"_s);
    QCOMPARE(label1->text(), u"and used count is less than 1/2000, the current keyword is abandoned."_s);
    QCOMPARE(spin->x(), label3->geometry().right() + 1 + 3);
    QCOMPARE(label1->x(), spin->geometry().right() + 1 + 3);
    QVERIFY(label1->geometry().right() < dlg.width());
    child<QCheckBox>(&dlg, u"siftCheck"_s)->click();
    QVERIFY(spin->isEnabled() && dlg.sift());
    child<QCheckBox>(&dlg, u"siftCheck"_s)->click();
    QVERIFY(!spin->isEnabled());
    // The folder box gives way to its caption instead of covering it.
    QVERIFY(child(&dlg, u"Label2"_s)->geometry().right() < child(&dlg, u"rootFolderEdit"_s)->x());
}

void TestDialogs::optionLanguageFile()
{
    writeLanguageFile(u"[OptionDialog]\nMsg1=von 1/<br>\nMsg2=\" weg\"\n"_s);
    OptionsDialog dlg;
    dlg.show();
    QCOMPARE(dlg.windowTitle(), QString());
    for (const QString &name : {u"Label2"_s, u"Label3"_s})
        QCOMPARE(child<QLabel>(&dlg, name)->text(), QString());
    for (const QString &name : {u"btnOK"_s, u"Button1"_s, u"Button2"_s})
        QCOMPARE(child<QPushButton>(&dlg, name)->text(), QString());
    QCOMPARE(child<QCheckBox>(&dlg, u"CheckBox2"_s)->text(), QString());
    QCOMPARE(child<QLabel>(&dlg, u"Label1"_s)->text(), u"von 1/\n2000 weg"_s);
    QCOMPARE(dlg.text(3), QString());
    dlg.hide();
    removeLanguageFile();
    dlg.show();
    QCOMPARE(dlg.text(3), optionDialogDefaultText(3));
    QCOMPARE(child<QLabel>(&dlg, u"Label1"_s)->text(),
             u"and used count is less than 1/2000, the current keyword is abandoned."_s);
}

void TestDialogs::folderButton_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("answerYes");
    QTest::addColumn<QString>("expected"); // relative to the temporary folder; empty: unchanged

    QTest::newRow("cancel leaves the folder") << QString() << false << QString();
    QTest::newRow("existing folder") << u"old"_s << false << u"old"_s;
    QTest::newRow("new folder with parents") << u"new/deeper"_s << true << u"new/deeper"_s;
    QTest::newRow("trailing slash dropped") << u"old/"_s << false << u"old"_s;
    QTest::newRow("root stays a slash") << u"/"_s << false << u"/"_s;
}

void TestDialogs::folderButton()
{
    QFETCH(QString, typed);
    QFETCH(bool, answerYes);
    QFETCH(QString, expected);
    QTemporaryDir base;
    QVERIFY(QDir(base.path()).mkdir(u"old"_s));
    MessageDialog messages;
    OptionsDialog dlg;
    dlg.setMessageDialog(&messages);
    dlg.setRootFolder(base.path());
    dlg.show();

    QString shownMessage;
    std::deque<ModalScript::Step> steps {[&](QWidget *w) {
        if (typed.isEmpty())
            return click(w, u"cancelButton"_s);
        child<QLineEdit>(w, u"folderEdit"_s)->setText(typed);
        click(w, u"okButton"_s);
    }};
    if (answerYes)
        steps.push_back([](QWidget *w) { qobject_cast<QMessageBox *>(w)->button(QMessageBox::Yes)->click(); });
    if (!typed.isEmpty())
        steps.push_back([&](QWidget *w) {
            shownMessage = child<QTextEdit>(w, u"messageText"_s)->toPlainText();
            click(w, u"okButton"_s);
        });
    ModalScript script(std::move(steps));
    child<QAbstractButton>(&dlg, u"chooseFolderButton"_s)->click();
    QVERIFY(script.finished());

    const QString want = expected.isEmpty() ? base.path()
        : expected.startsWith(u'/')         ? expected
                                            : base.filePath(expected);
    QCOMPARE(dlg.rootFolder(), want);
    QVERIFY(QFileInfo(want).isDir());
    QCOMPARE(shownMessage, typed.isEmpty() ? QString() : optionDialogDefaultText(3));
}

void TestDialogs::keywordChoice_data()
{
    QTest::addColumn<QStringList>("actions");
    QTest::addColumn<int>("expected");
    QTest::addColumn<int>("selected");

    QTest::newRow("Enter takes the first candidate") << QStringList {u"key:Return"_s} << 1 << 0;
    QTest::newRow("arrow down, then Enter") << QStringList {u"key:Down"_s, u"key:Return"_s} << 1 << 1;
    QTest::newRow("Enter with nothing selected stays open")
        << QStringList {u"select:-1"_s, u"key:Return"_s, u"click:Button1"_s, u"key:Escape"_s} << 2 << -1;
    QTest::newRow("Esc") << QStringList {u"key:Escape"_s} << 2 << -1;
    QTest::newRow("close box") << QStringList {u"close"_s} << 2 << -1;
    QTest::newRow("Abort") << QStringList {u"click:Button4"_s} << 3 << -1;
    QTest::newRow("Select") << QStringList {u"select:1"_s, u"click:Button1"_s} << 1 << 1;
    QTest::newRow("Enter with a selection") << QStringList {u"select:2"_s, u"key:Return"_s} << 1 << 2;
    QTest::newRow("double click") << QStringList {u"double:0"_s} << 1 << 0;
    QTest::newRow("Help stays open") << QStringList {u"click:Button3"_s, u"click:Button2"_s} << 2 << -1;
    QTest::newRow("Alt+S") << QStringList {u"key:Down"_s, u"alt:S"_s} << 1 << 1;
    QTest::newRow("Alt+N") << QStringList {u"alt:N"_s} << 2 << -1;
    QTest::newRow("Alt+A") << QStringList {u"alt:A"_s} << 3 << -1;
}

void TestDialogs::keywordChoice()
{
    QFETCH(QStringList, actions);
    QFETCH(int, expected);
    QFETCH(int, selected);
    KeywordChoiceDialog dlg;
    ModalScript script({[&](QWidget *w) {
        QCOMPARE(w->windowTitle(), u"page.html"_s);
        auto *list = w->findChild<QListWidget *>();
        QCOMPARE(list->selectedItems(), QList<QListWidgetItem *> {list->item(0)});
        QCOMPARE(QApplication::focusWidget(), list);
        act(w, actions);
    }});
    int row = 99;
    QCOMPARE(dlg.choose(u"page.html"_s, {u"../a"_s, u"../b"_s, u"/c"_s}, &row), expected);
    QVERIFY(script.finished());
    QCOMPARE(row, selected);
    QCOMPARE(helpRequests, actions.contains(u"click:Button3"_s) ? QList<int> {3} : QList<int> {});
}

void TestDialogs::keywordChoiceLanguageFile()
{
    writeLanguageFile(u"[Dialog1]\nLabel1->Caption=one<br>two\nButton1->Caption=Pick\n"_s);
    KeywordChoiceDialog dlg;
    QString label;
    QString abort;
    QString pick;
    ModalScript script({[&](QWidget *w) {
        label = child<QLabel>(w, u"Label1"_s)->text();
        abort = child<QPushButton>(w, u"Button4"_s)->text();
        pick = child<QPushButton>(w, u"Button1"_s)->text();
        w->close();
    }});
    int row = 0;
    dlg.choose(u"f"_s, {u"a"_s, u"b"_s}, &row);
    QCOMPARE(label, u"one\ntwo"_s);
    QCOMPARE(pick, u"Pick"_s);
    QCOMPARE(abort, QString());
}

void TestDialogs::confirmMove_data()
{
    QTest::addColumn<QList<QMessageBox::StandardButton>>("clicks");
    QTest::addColumn<int>("expected");

    QTest::newRow("Yes") << QList {QMessageBox::Yes} << 6;
    QTest::newRow("No") << QList {QMessageBox::No} << 7;
    QTest::newRow("Help keeps the box, then Abort") << QList {QMessageBox::Help, QMessageBox::Abort} << 3;
    QTest::newRow("close box is Cancel") << QList<QMessageBox::StandardButton> {} << 2;
}

void TestDialogs::confirmMove()
{
    QFETCH(QList<QMessageBox::StandardButton>, clicks);
    QFETCH(int, expected);
    WidgetPrompts prompts(nullptr, nullptr, nullptr);
    ModalScript script({[&](QWidget *w) {
        auto *box = qobject_cast<QMessageBox *>(w);
        QVERIFY(box);
        for (QMessageBox::StandardButton b : clicks) {
            QVERIFY(box->isVisible());
            box->button(b)->click();
        }
        if (clicks.isEmpty())
            box->close();
    }});
    QCOMPARE(prompts.confirmMove(u"May [ f ] be moved?"_s), expected);
    QVERIFY(script.finished());
    QCOMPARE(helpRequests, clicks.contains(QMessageBox::Help) ? QList<int> {5} : QList<int> {});
}

void TestDialogs::windowsOpenCentred_data()
{
    QTest::addColumn<QString>("window");
    for (const char *name : {"options dialog", "keyword choice dialog", "message dialog", "wait window", "help window"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TestDialogs::windowsOpenCentred()
{
    QFETCH(QString, window);
    std::unique_ptr<QWidget> w;
    if (window == u"options dialog")
        w = std::make_unique<OptionsDialog>();
    else if (window == u"keyword choice dialog")
        w = std::make_unique<KeywordChoiceDialog>();
    else if (window == u"message dialog")
        w = std::make_unique<MessageDialog>();
    else if (window == u"wait window")
        w = std::make_unique<WaitWindow>();
    else {
        auto help = std::make_unique<HelpWindow>();
        help->tree()->setHelpDir(QStringLiteral(MARROWDALE_SOURCE_DIR "/help"));
        w = std::move(help);
    }
    // Every time it is shown, also after the user moved it away.
    for (const QPoint moved : {QPoint(), QPoint(3, 5)}) {
        w->move(moved);
        w->show();
        const QPoint offset = w->frameGeometry().center() - w->screen()->availableGeometry().center();
        QVERIFY2(offset.manhattanLength() <= 2, qPrintable(u"%1, %2"_s.arg(offset.x()).arg(offset.y())));
        w->hide();
    }
}

void TestDialogs::folderChooserOffersNoCompanionFolder()
{
    QStandardItemModel folders;
    for (const QString &name : {u"News"_s, u"page_files"_s, u"notes.FILES"_s, u"_files"_s, u"Files"_s}) {
        auto *item = new QStandardItem(name);
        item->setData(name, QFileSystemModel::FileNameRole);
        folders.appendRow(item);
    }
    WithoutCompanionFolders shown;
    shown.setSourceModel(&folders);
    QStringList names;
    for (int row = 0; row < shown.rowCount(); ++row)
        names << shown.index(row, 0).data().toString();
    QCOMPARE(names, (QStringList {u"News"_s, u"_files"_s, u"Files"_s}));
}

void TestDialogs::fileListCountsAsPeopleDo()
{
    QTemporaryDir dir;
    for (const QString &name : {u"page 10.htm"_s, u"Page 2.htm"_s, u"page 1.htm"_s, u"b.htm"_s})
        writeBytes(dir.filePath(name), "x");
    FileList list;
    list.setFolder(dir.path());
    QStringList names;
    for (int row = 0; row < list.count(); ++row)
        names << list.item(row)->text();
    QCOMPARE(names, (QStringList {u"b.htm"_s, u"page 1.htm"_s, u"Page 2.htm"_s, u"page 10.htm"_s}));
}

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
