#include "handlerguard.h"

#include "marrowdaleerror.h"

#include <QApplication>
#include <QMessageBox>

using namespace Qt::StringLiterals;

void showErrorBox(QWidget *parent, const QString &message)
{
    QMessageBox::critical(parent, QApplication::applicationDisplayName(), message);
}

bool runGuarded(QWidget *parent, const std::function<void()> &body)
{
    try {
        body();
        return true;
    } catch (const MarrowdaleError &error) {
        showErrorBox(parent, error.message());
    } catch (const std::exception &error) {
        showErrorBox(parent, QString::fromLocal8Bit(error.what()));
    } catch (...) {
        showErrorBox(parent, u"An unexpected error occurred."_s);
    }
    return false;
}
