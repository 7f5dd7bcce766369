#ifndef PAYVANE_DIALOG_H
#define PAYVANE_DIALOG_H

#include "update_global.h"

#include <QDialog>

namespace Ui {
class Dialog;
}

// The offer of a newer version: "A new version of <product> is available.",
// "Do you want to update now?", a "Disable auto update" check box and the
// buttons Yes and No. The updater keeps one and runs it for every offer.
class UPDATE_EXPORT Dialog : public QDialog
{
    Q_OBJECT

public:
    explicit Dialog(QWidget *parent = nullptr);
    ~Dialog() override;

    // The product named in the first line.
    void setProduct(const QString &product);
    // Shows or hides the "Disable auto update" check box; it keeps its
    // checked state while hidden.
    void setDisableUpdateVisible(bool visible);
    // True when the check box is shown and ticked; a hidden box counts as
    // not ticked, whatever its state.
    [[nodiscard]] bool disableUpdate() const;

protected:
    bool event(QEvent *event) override;

private slots:
    // Ends the dialog with QMessageBox::Yes (0x4000), the only consent.
    void on_buttonYes_clicked();
    // Ends the dialog with QMessageBox::No (0x10000).
    void on_buttonNo_clicked();

private:
    Ui::Dialog *ui;
};

#endif // PAYVANE_DIALOG_H
