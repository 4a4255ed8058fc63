#include "Wisplet/App/UpdateAlert.h"

#include "Wisplet/App/Updater.h"
#include "Wisplet/Base/WindowPlacement.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QPushButton>

void showUpdateResult(const UpdateCheckResult& result, QWidget* parent)
{
    auto* box = new QMessageBox(parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    switch (result.status) {
    case UpdateCheckResult::Status::upToDate:
        box->setIcon(QMessageBox::Information);
        box->setText(QStringLiteral("You're up to date."));
        box->setInformativeText(
            QStringLiteral("Wisplet %1 is the newest version.").arg(QCoreApplication::applicationVersion()));
        break;
    case UpdateCheckResult::Status::newerVersion: {
        box->setIcon(QMessageBox::Information);
        box->setText(QStringLiteral("Wisplet %1 is available.").arg(result.version));
        box->setInformativeText(QStringLiteral("You have version %1.").arg(QCoreApplication::applicationVersion()));
        QPushButton* open = box->addButton(QStringLiteral("Open Download Page"), QMessageBox::AcceptRole);
        box->addButton(QStringLiteral("Later"), QMessageBox::RejectRole);
        box->setDefaultButton(open);
        QObject::connect(open, &QPushButton::clicked, box, [page = result.page] { QDesktopServices::openUrl(page); });
        break;
    }
    case UpdateCheckResult::Status::failed:
        box->setIcon(QMessageBox::Warning);
        box->setText(QStringLiteral("Could not check for updates."));
        box->setInformativeText(result.message);
        break;
    }
    bringToFront(*box);
}
