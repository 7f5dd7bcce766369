#include "datafoldersection.h"

#include "datafolder.h"
#include "plainmessage.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

DataFolderSection::DataFolderSection(QWidget *parent)
    : QGroupBox(QStringLiteral("Data Folder"), parent)
    , m_folder(new QLabel(this))
    , m_move(new QPushButton(QStringLiteral("Move…"), this))
{
    setObjectName(QStringLiteral("dataFolderGroupBox"));
    m_folder->setObjectName(QStringLiteral("dataFolderLabel"));
    // A path is shown as it is, never as markup, and may be long.
    m_folder->setTextFormat(Qt::PlainText);
    m_folder->setWordWrap(true);
    m_folder->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_move->setObjectName(QStringLiteral("moveDataFolderButton"));
    m_move->setToolTip(QStringLiteral("Move your bills and settings to another folder, such as one a sync program "
                                      "shares with your other machines"));
    auto *layout = new QHBoxLayout(this);
    layout->addWidget(m_folder, 1);
    layout->addWidget(m_move);
    connect(m_move, &QPushButton::clicked, this, &DataFolderSection::pickFolder);
    showFolder();
}

void DataFolderSection::showFolder()
{
    m_folder->setText(nativePath(dataFolderPath()));
}

QList<QWidget *> DataFolderSection::tabChain() const
{
    return {m_move};
}

void DataFolderSection::pickFolder()
{
    const QString folder = QFileDialog::getExistingDirectory(this, QStringLiteral("Move the Data Folder"),
                                                             dataFolderPath());
    if (!folder.isEmpty())
        emit moveRequested(folder);
}
