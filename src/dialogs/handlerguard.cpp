#include "handlerguard.h"

#include "boxtexts.h"
#include "marrowdaleerror.h"
#include "programlanguage.h"

#include <QMessageBox>

using namespace Qt::StringLiterals;

void showErrorBox(QWidget *parent, const QString &message)
{
    BoxTexts::ask(parent, QMessageBox::Critical, QString(), message, QMessageBox::Ok);
}

bool runGuarded(QWidget *parent, const std::function<void()> &body)
{
    try {
        body();
        return true;
    } catch (const MarrowdaleError &error) {
        showErrorBox(parent, error.message(ProgramLanguage::messages()));
    } catch (const std::exception &error) {
        showErrorBox(parent, QString::fromLocal8Bit(error.what()));
    } catch (...) {
        showErrorBox(parent, ProgramLanguage::messages().text(Message::UnexpectedError));
    }
    return false;
}
