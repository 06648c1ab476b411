#include "framework/mc_CustomModule.h"

#include "components/o_ModalFormHook.h"
#include "components/o_QVTimer.h"
#include "framework/o_ComponentCaster.h"
#include "framework/o_ModuleForm.h"
#include "toolkit/AppError.h"
#include "toolkit/AppPaths.h"
#include "toolkit/MessageService.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QEvent>
#include <QEventLoop>
#include <QMainWindow>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace {

const char* const kTagProperty = "Tag";

QString appTitle()
{
    return QStringLiteral("Hourwright");
}

// Qt must never see an exception leave a slot or an event handler: whatever a
// handler throws is shown to the user and the program goes on.
template <class Body>
void reportingErrors(Body&& body)
{
    try {
        body();
    } catch (const std::exception& error) {
        MessageService::error(appTitle(), errorMessage(error));
    } catch (...) {
        MessageService::error(appTitle(), QStringLiteral("Unknown error"));
    }
}

using Deliver = std::function<void(const QVariantList& arguments)>;

// Which Qt signal stands for an event name on which kind of component. An
// event is found only on components of the listed class (or derived ones).
struct EventBinding
{
    const char* eventName;
    const QMetaObject* componentClass;
    QMetaObject::Connection (*connect)(QObject* component, QObject* context, Deliver deliver);
};

const EventBinding kEventTable[] = {
    {"OnClick", &QAbstractButton::staticMetaObject,
     [](QObject* component, QObject* context, Deliver deliver) {
         return QObject::connect(static_cast<QAbstractButton*>(component), &QAbstractButton::clicked, context,
                                 [deliver] { deliver({}); });
     }},
    {"OnClick", &QAction::staticMetaObject,
     [](QObject* component, QObject* context, Deliver deliver) {
         return QObject::connect(static_cast<QAction*>(component), &QAction::triggered, context,
                                 [deliver] { deliver({}); });
     }},
    {"OnDblClick", &QAbstractItemView::staticMetaObject,
     [](QObject* component, QObject* context, Deliver deliver) {
         return QObject::connect(static_cast<QAbstractItemView*>(component), &QAbstractItemView::doubleClicked,
                                 context, [deliver] { deliver({}); });
     }},
    // A choice or an edit of a combo box's text.
    {"OnChange", &QComboBox::staticMetaObject,
     [](QObject* component, QObject* context, Deliver deliver) {
         return QObject::connect(static_cast<QComboBox*>(component), &QComboBox::currentTextChanged, context,
                                 [deliver] { deliver({}); });
     }},
    {"OnTimer", &TqvTimer::staticMetaObject,
     [](QObject* component, QObject* context, Deliver deliver) {
         return QObject::connect(static_cast<TqvTimer*>(component), &TqvTimer::OnTimer, context,
                                 [deliver] { deliver({}); });
     }},
};

const EventBinding* findEvent(const QObject* component, const QString& eventName)
{
    for (const EventBinding& binding : kEventTable) {
        if (eventName.compare(QLatin1String(binding.eventName), Qt::CaseInsensitive) == 0
            && component->metaObject()->inherits(binding.componentClass))
            return &binding;
    }
    return nullptr;
}

// Depth first, each object's children in the order they were added.
QObject* findDescendant(const QObject* parent, const QString& name)
{
    for (QObject* child : parent->children()) {
        if (child->objectName().compare(name, Qt::CaseInsensitive) == 0)
            return child;
        if (QObject* found = findDescendant(child, name))
            return found;
    }
    return nullptr;
}

// A window opens centred on the window it was opened from (the active one,
// else the program's main window), within that screen; without either it
// is left where the desktop puts it.
void centreOverOwner(QWidget* form)
{
    if (form->parentWidget() || qobject_cast<QMainWindow*>(form))
        return;
    QWidget* owner = QApplication::activeWindow();
    if (!owner || owner == form) {
        owner = nullptr;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (qobject_cast<QMainWindow*>(widget) && widget->isVisible() && widget != form)
                owner = widget;
    }
    if (!owner)
        return;
    if (!form->testAttribute(Qt::WA_Resized))
        form->adjustSize();
    QRect frame = form->frameGeometry();
    frame.moveCenter(owner->frameGeometry().center());
    if (const QScreen* screen = owner->screen()) {
        const QRect room = screen->availableGeometry();
        frame.moveLeft(std::max(room.left(), std::min(frame.left(), room.right() - frame.width() + 1)));
        frame.moveTop(std::max(room.top(), std::min(frame.top(), room.bottom() - frame.height() + 1)));
    }
    form->move(frame.topLeft());
}

// Runs a window that is not a dialog modally: until it is hidden or destroyed.
class ModalLoop : public QObject
{
public:
    explicit ModalLoop(QWidget* form)
        : m_form(form)
    {
        form->installEventFilter(this);
        QObject::connect(form, &QObject::destroyed, &m_loop, &QEventLoop::quit);
    }
    ~ModalLoop() override
    {
        if (m_form)
            m_form->removeEventFilter(this);
    }
    void run()
    {
        m_form->setWindowModality(Qt::ApplicationModal);
        m_form->show();
        m_loop.exec(QEventLoop::DialogExec);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_form && event->type() == QEvent::Hide)
            m_loop.quit();
        return false;
    }

private:
    QPointer<QWidget> m_form;
    QEventLoop m_loop;
};

} // namespace

void TCustomModule::Deleter::operator()(TCustomModule* module) const
{
    if (!module)
        return;
    module->teardown(); // while the derived object is whole, so its DestroyData runs
    delete module;
}

TCustomModule::TCustomModule(ConstructionKey, QObject* owner)
    : QObject(owner)
    , m_applicationFolder(AppPaths::optionsFolder())
{
    m_caster = new TqvComponentCaster(this);
    // An owner frees its children from its own destructor, after it has
    // said it is going; tearing down here lets DestroyData still run.
    if (owner)
        connect(owner, &QObject::destroyed, this, [this] { teardown(); });
}

TCustomModule::~TCustomModule()
{
    // Reached without teardown only when someone deleted the module directly;
    // the derived DestroyData can no longer run, but the form is still freed.
    teardown();
}

void TCustomModule::construct(FormClass formClass)
{
    CreateData();
    QWidget* form = formClass ? formClass() : nullptr;
    if (!form)
        throw AppError(QStringLiteral("Error Creating Form"));
    m_form = form;
    if (auto* moduleForm = qobject_cast<TModuleForm*>(form))
        moduleForm->setCloseQuery([this] { return askCloseQuery(); });
    else
        form->installEventFilter(this);
    WireEvents();
}

void TCustomModule::teardown()
{
    if (m_tornDown)
        return;
    m_tornDown = true;
    reportingErrors([this] { DestroyData(); });
    if (m_modalHook) {
        m_modalHook->setEnabled(false);
        m_modalHook->setOnFormFound({});
    }
    if (QWidget* form = m_form.data()) {
        if (auto* moduleForm = qobject_cast<TModuleForm*>(form))
            moduleForm->setCloseQuery({});
        else
            form->removeEventFilter(this);
        delete form;
    }
}

int TCustomModule::TagOf(const QObject* component)
{
    return component ? component->property(kTagProperty).toInt() : 0;
}

void TCustomModule::AssignEvent(QObject* component, int code, int kind, const QString& eventName)
{
    if (!component)
        return;
    const EventBinding* binding = findEvent(component, eventName);
    if (!binding)
        return;
    component->setProperty(kTagProperty, code);
    if (kind < 0 || kind >= HandlerKinds)
        return;

    const QString canonicalName = QLatin1String(binding->eventName);
    m_wirings.erase(std::remove_if(m_wirings.begin(), m_wirings.end(),
                                   [&](const Wiring& wiring) {
                                       if (!wiring.component)
                                           return true;
                                       if (wiring.component != component || wiring.eventName != canonicalName)
                                           return false;
                                       QObject::disconnect(wiring.connection);
                                       return true;
                                   }),
                    m_wirings.end());

    QObject* sender = component;
    const QMetaObject::Connection connection = binding->connect(
        component, this, [this, kind, sender](const QVariantList& arguments) { dispatch(kind, sender, arguments); });
    m_wirings.push_back({component, canonicalName, connection});
}

void TCustomModule::AssignEventByName(const QString& name, int code, int kind, const QString& eventName)
{
    AssignEvent(Lookup(name)->AsComponent(), code, kind, eventName);
}

TqvComponentCaster* TCustomModule::Lookup(const QString& name)
{
    QObject* found = nullptr;
    if (m_form && !name.isEmpty())
        found = findDescendant(m_form, name);
    m_caster->setComponent(found);
    return m_caster;
}

void TCustomModule::dispatch(int kind, QObject* sender, const QVariantList& arguments)
{
    const EventHandler handler = Handlers[std::size_t(kind)];
    if (handler)
        reportingErrors([&] { handler(sender, arguments); });
}

void TCustomModule::Execute(bool modal)
{
    if (!m_form)
        throw AppError(QStringLiteral("The window has already been closed"));
    BeforeShow();
    QWidget* form = m_form.data();
    if (!form) // BeforeShow may have freed it
        throw AppError(QStringLiteral("The window has already been closed"));
    if (!form->isVisible())
        centreOverOwner(form);
    if (!modal) {
        form->show();
        AfterShow();
        return;
    }

    // A visible window cannot be made modal.
    form->hide();
    if (m_modalHook)
        m_modalHook->setEnabled(true);
    QPointer<TCustomModule> self(this);
    auto finish = [&self] {
        if (!self)
            return;
        if (self->m_modalHook)
            self->m_modalHook->setEnabled(false);
        delete self->m_form.data();
    };
    try {
        runModal(form);
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

void TCustomModule::runModal(QWidget* form)
{
    if (auto* dialog = qobject_cast<QDialog*>(form)) {
        dialog->exec(); // the result is not passed on
        return;
    }
    ModalLoop loop(form);
    loop.run();
}

void TCustomModule::Close()
{
    BeforeClose();
    if (QWidget* form = m_form.data())
        form->close();
    AfterClose();
}

bool TCustomModule::askCloseQuery()
{
    bool canClose = true;
    try {
        FormCloseQuery(m_form.data(), canClose);
    } catch (const std::exception& error) {
        // A close query that fails keeps the window, and whatever it holds, open.
        MessageService::error(appTitle(), errorMessage(error));
        canClose = false;
    } catch (...) {
        MessageService::error(appTitle(), QStringLiteral("Unknown error"));
        canClose = false;
    }
    return canClose;
}

void TCustomModule::FormCloseQuery(QObject*, bool& canClose)
{
    canClose = CanClose();
}

void TCustomModule::FormFound(QWidget* form)
{
    if (!form || form != m_form.data())
        return;
    m_modalHook->setEnabled(false);
    reportingErrors([this] { AfterShow(); });
}

bool TCustomModule::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_form.data() && event->type() == QEvent::Close && !askCloseQuery()) {
        event->ignore();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void TCustomModule::CreateData()
{
    Handlers[0] = [this](QObject* sender, const QVariantList&) { HandleEvent0(sender); };
    Handlers[1] = [this](QObject* sender, const QVariantList& a) { HandleEvent1(sender, a.value(0)); };
    Handlers[2] = [this](QObject* sender, const QVariantList& a) { HandleEvent2(sender, a.value(0)); };
    Handlers[3] = [this](QObject* sender, const QVariantList& a) { HandleEvent3(sender, a.value(0), a.value(1)); };
    Handlers[4] = [this](QObject* sender, const QVariantList& a) { HandleEvent4(sender, a.value(0)); };
    Handlers[5] = [this](QObject* sender, const QVariantList& a) {
        HandleEvent5(sender, a.value(0), a.value(1), a.value(2), a.value(3));
    };
}

void TCustomModule::DestroyData() {}
void TCustomModule::HandleEvent0(QObject*) {}
void TCustomModule::HandleEvent1(QObject*, const QVariant&) {}
void TCustomModule::HandleEvent2(QObject*, const QVariant&) {}
void TCustomModule::HandleEvent3(QObject*, const QVariant&, const QVariant&) {}
void TCustomModule::HandleEvent4(QObject*, const QVariant&) {}
void TCustomModule::HandleEvent5(QObject*, const QVariant&, const QVariant&, const QVariant&, const QVariant&) {}

void TCustomModule::WireEvents()
{
    if (!m_modalHook)
        m_modalHook = new TModalFormHook(this);
    m_modalHook->setOnFormFound([this](QWidget* form) { FormFound(form); });
    m_modalHook->setEnabled(false);
    m_modalHook->setFormClassName(m_form ? QString::fromLatin1(m_form->metaObject()->className()) : QString());
}

void TCustomModule::BeforeShow() {}
void TCustomModule::AfterShow() {}
void TCustomModule::BeforeClose() {}
void TCustomModule::AfterClose() {}

bool TCustomModule::CanClose()
{
    return true;
}
