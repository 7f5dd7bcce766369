#include "dialog.h"
#include "ui_dialog.h"

#include <QEvent>
#include <QMessageBox>

Dialog::Dialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::Dialog)
{
    ui->setupUi(this);
    adjustSize();
}

Dialog::~Dialog()
{
    delete ui;
}

void Dialog::setProduct(const QString &product)
{
    ui->labelProduct->setText(product);
}

void Dialog::setDisableUpdateVisible(bool visible)
{
    ui->checkBoxDisableUpdate->setHidden(!visible);
}

bool Dialog::disableUpdate() const
{
    // Asked after the dialog has closed, when no child is visible on screen:
    // what counts is whether the box was meant to be shown.
    return !ui->checkBoxDisableUpdate->isHidden() && ui->checkBoxDisableUpdate->checkState() == Qt::Checked;
}

// The updater's own names stay apart from the program's: the dialog asks
// its widgets through their states, and learns of a language change here.
bool Dialog::event(QEvent *event)
{
    const bool handled = QDialog::event(event);
    if (event->type() == QEvent::LanguageChange) {
        // The form's texts come back translated; the product name is not one.
        const QString product = ui->labelProduct->text();
        ui->retranslateUi(this);
        ui->labelProduct->setText(product);
    }
    return handled;
}

void Dialog::on_buttonYes_clicked()
{
    done(QMessageBox::Yes);
}

void Dialog::on_buttonNo_clicked()
{
    done(QMessageBox::No);
}
