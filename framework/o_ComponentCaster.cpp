#include "framework/o_ComponentCaster.h"

#include "components/o_QVMessageBox.h"
#include "components/o_QVTimer.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QStatusBar>
#include <QToolButton>

TqvComponentCaster::TqvComponentCaster(QObject* owner)
    : QObject(owner)
{
}

TqvComponentCaster::~TqvComponentCaster() = default;

QObject* TqvComponentCaster::AsComponent() const { return m_component.data(); }
QAction* TqvComponentCaster::AsAction() const { return as<QAction>(); }
QToolButton* TqvComponentCaster::AsToolButton() const { return as<QToolButton>(); }
QCheckBox* TqvComponentCaster::AsCheckBox() const { return as<QCheckBox>(); }
QComboBox* TqvComponentCaster::AsComboBox() const { return as<QComboBox>(); }
QLineEdit* TqvComponentCaster::AsLabeledEdit() const { return as<QLineEdit>(); }
QLabel* TqvComponentCaster::AsLabel() const { return as<QLabel>(); }
QPlainTextEdit* TqvComponentCaster::AsMemo() const { return as<QPlainTextEdit>(); }
QMenu* TqvComponentCaster::AsPopupMenu() const { return as<QMenu>(); }
QStatusBar* TqvComponentCaster::AsStatusBar() const { return as<QStatusBar>(); }
QProgressBar* TqvComponentCaster::AsProgressBar() const { return as<QProgressBar>(); }
TqvTimer* TqvComponentCaster::AsTimer() const { return as<TqvTimer>(); }
TqvMessageBox* TqvComponentCaster::AsMessageBox() const { return as<TqvMessageBox>(); }
