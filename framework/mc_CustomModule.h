#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>

#include <array>
#include <functional>
#include <memory>
#include <vector>

#include <QWidget>
class TModalFormHook;
class TqvComponentCaster;

// The life cycle every window controller shares. A window is a pair: a form
// class that only builds controls, layout and bindings (dialogs derive from
// TModuleForm), and a controller derived from TCustomModule that owns the
// form, creates the window's data, finds the form's components by name and
// wires their events in code, writing a command code into each component's
// Tag. Every wired event reaches one handler kind; kind 0 gets the sender and
// dispatches on its Tag.
//
// A new window is the form class plus a short controller:
//
//     class TdmCustomers : public TCustomModule
//     {
//         Q_OBJECT
//     public:
//         using TCustomModule::TCustomModule;
//
//     protected:
//         enum Command { cmdOk = 100, cmdCancel = 101 };
//
//         void CreateData() override
//         {
//             TCustomModule::CreateData();
//             // queries and in-memory tables, with this module as owner
//         }
//         void WireEvents() override
//         {
//             TCustomModule::WireEvents();
//             AssignEventByName("btnOk", cmdOk, 0, "OnClick");
//             AssignEventByName("btnCancel", cmdCancel, 0, "OnClick");
//         }
//         void HandleEvent0(QObject* sender) override
//         {
//             TCustomModule::HandleEvent0(sender);
//             switch (TagOf(sender)) {
//             case cmdOk: save(); Close(); break;
//             case cmdCancel: Close(); break;
//             }
//         }
//     };
//
//     auto module = TCustomModule::Create<TdmCustomers, TFrmCustomers>();
//     module->Execute(true); // modal; the form is gone afterwards
//
// Construction is two-phase because C++ cannot dispatch virtuals from a
// constructor: Create builds the object, then runs CreateData, creates the
// form, hooks its close query and runs WireEvents. When a step throws, the
// partly built module is torn down at once (DestroyData first, with whatever
// exists), and the error reaches the caller.
//
// Modules must be freed through the pointer Create returns (or by their
// QObject owner): that runs DestroyData while the derived object is whole.
class TCustomModule : public QObject
{
    Q_OBJECT

protected:
    // Only Create can make one, so no module skips the second phase.
    struct ConstructionKey
    {
        explicit ConstructionKey() = default;
    };

public:
    // The arguments of an event after its sender, for handler kinds 1 to 5.
    using EventHandler = std::function<void(QObject* sender, const QVariantList& arguments)>;
    // Makes the window; null means the form could not be made.
    using FormClass = std::function<QWidget*()>;

    struct Deleter
    {
        void operator()(TCustomModule* module) const;
    };
    template <class M>
    using Ptr = std::unique_ptr<M, Deleter>;

    template <class F>
    static FormClass formClass()
    {
        return [] { return static_cast<QWidget*>(new F); };
    }

    template <class M>
    static Ptr<M> Create(FormClass formClass, QObject* owner = nullptr)
    {
        Ptr<M> module(new M(ConstructionKey{}, owner));
        module->construct(std::move(formClass)); // a throw frees the module on the way out
        return module;
    }

    template <class M, class F>
    static Ptr<M> Create(QObject* owner = nullptr)
    {
        return Create<M>(formClass<F>(), owner);
    }

    TCustomModule(ConstructionKey, QObject* owner);
    ~TCustomModule() override;

    static constexpr int HandlerKinds = 6;

    // The command code stored in a component by AssignEvent (0 when none).
    static int TagOf(const QObject* component);

    QWidget* ModuleForm() const { return m_form.data(); }
    // The folder relative option paths are taken from (that of the options file).
    const QString& ApplicationFolder() const { return m_applicationFolder; }
    TqvComponentCaster* ModuleCaster() const { return m_caster; }
    TModalFormHook* ModalHook() const { return m_modalHook; }

    // Sets the component's Tag to the code and points its event at handler
    // kind `kind`. A null component or an event the component does not have
    // changes nothing; a kind outside 0..5 sets the Tag only. Wiring the same
    // event again replaces the earlier wiring.
    virtual void AssignEvent(QObject* component, int code, int kind, const QString& eventName);
    virtual void AssignEventByName(const QString& name, int code, int kind, const QString& eventName);

    // The first component of the form, in creation order, whose object name
    // equals `name` without regard to letter case; the one caster is
    // returned by every call, holding the result or null.
    TqvComponentCaster* Lookup(const QString& name);

    // Modal: runs the window and frees the form when it has closed.
    // Not modal: shows it and runs AfterShow.
    void Execute(bool modal);
    // Asks the form to close (the close query decides); AfterClose runs
    // either way.
    void Close();

protected:
    virtual void CreateData();
    virtual void DestroyData();
    virtual void HandleEvent0(QObject* sender);
    virtual void HandleEvent1(QObject* sender, const QVariant& argument);
    virtual void HandleEvent2(QObject* sender, const QVariant& argument);
    virtual void HandleEvent3(QObject* sender, const QVariant& first, const QVariant& second);
    virtual void HandleEvent4(QObject* sender, const QVariant& argument);
    virtual void HandleEvent5(QObject* sender, const QVariant& first, const QVariant& second,
                              const QVariant& third, const QVariant& fourth);
    virtual void WireEvents();
    virtual void BeforeShow();
    virtual void AfterShow();
    virtual void BeforeClose();
    virtual void AfterClose();
    virtual bool CanClose();

    // The form's close query and the hook's report; the module assigns them itself.
    void FormCloseQuery(QObject* sender, bool& canClose);
    void FormFound(QWidget* form);

    bool eventFilter(QObject* watched, QEvent* event) override;

    // Entry k is bound by CreateData to HandleEvent<k> of this object.
    std::array<EventHandler, HandlerKinds> Handlers;

private:
    struct Wiring
    {
        QPointer<QObject> component;
        QString eventName;
        QMetaObject::Connection connection;
    };

    void construct(FormClass formClass);
    void teardown();
    void dispatch(int kind, QObject* sender, const QVariantList& arguments);
    bool askCloseQuery();
    void runModal(QWidget* form);

    QPointer<QWidget> m_form;
    QString m_applicationFolder;
    TqvComponentCaster* m_caster = nullptr;
    TModalFormHook* m_modalHook = nullptr;
    std::vector<Wiring> m_wirings;
    bool m_tornDown = false;
};
