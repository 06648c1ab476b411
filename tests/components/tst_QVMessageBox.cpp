#include "components/o_QVMessageBox.h"

#include "toolkit/MessageService.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTimer>
#include <QtTest>

using Box = TqvMessageBox;
using Buttons = QList<QMessageBox::StandardButton>;

class tst_QVMessageBox : public QObject
{
    Q_OBJECT

private slots:
    void init() { MessageService::resetForTests(); }

    void startsAtZeroValues()
    {
        Box box;
        QCOMPARE(box.MessageBoxType(), Box::mbtOk);
        QCOMPARE(box.MessageModalityLevel(), Box::mmlApplication);
        QCOMPARE(box.MessageBoxIcon(), Box::mbiNone);
        QCOMPARE(box.MessageDefButton(), Box::mdbButton1);
        QVERIFY(box.MessageText().isEmpty());
        QVERIFY(box.MessageCaption().isEmpty());
        QVERIFY(!box.ShowHelpButton());
        QCOMPARE(box.ExecResult(), Box::merNone);
        QCOMPARE(box.Flags(), 0u);
    }

    void flags_data()
    {
        QTest::addColumn<Box::TqvMessageBoxType>("type");
        QTest::addColumn<Box::TqvMessageModalityLevel>("modality");
        QTest::addColumn<Box::TqvMessageBoxIcon>("icon");
        QTest::addColumn<Box::TqvMessageDefButton>("defButton");
        QTest::addColumn<bool>("help");
        QTest::addColumn<quint32>("flags");

        QTest::newRow("Ok, nothing else") << Box::mbtOk << Box::mmlApplication << Box::mbiNone << Box::mdbButton1 << false << 0x0u;
        QTest::newRow("YesNo, button 2, question") << Box::mbtYesNo << Box::mmlApplication << Box::mbiQuestion << Box::mdbButton2 << false
                                                   << (4u + 0x100u + 0x20u);
        QTest::newRow("OkCancel, system modal, information") << Box::mbtOkCancel << Box::mmlSystem << Box::mbiInformation
                                                             << Box::mdbButton1 << false << (1u + 0x1000u + 0x40u);
        QTest::newRow("AbortRetryIgnore, task modal, warning, button 3")
            << Box::mbtAbortRetryIgnore << Box::mmlTask << Box::mbiWarning << Box::mdbButton3 << false
            << (2u + 0x2000u + 0x30u + 0x200u);
        QTest::newRow("YesNoCancel, error, button 4") << Box::mbtYesNoCancel << Box::mmlApplication << Box::mbiError
                                                      << Box::mdbButton4 << false << (3u + 0x10u + 0x300u);
        QTest::newRow("RetryCancel with help") << Box::mbtRetryCancel << Box::mmlApplication << Box::mbiNone << Box::mdbButton1
                                               << true << (5u + 0x4000u);
        QTest::newRow("Ok, information, help") << Box::mbtOk << Box::mmlApplication << Box::mbiInformation << Box::mdbButton1
                                               << true << (0x40u + 0x4000u);
    }

    void flags()
    {
        QFETCH(Box::TqvMessageBoxType, type);
        QFETCH(Box::TqvMessageModalityLevel, modality);
        QFETCH(Box::TqvMessageBoxIcon, icon);
        QFETCH(Box::TqvMessageDefButton, defButton);
        QFETCH(bool, help);
        QFETCH(quint32, flags);

        QCOMPARE(Box::flagsFor(type, modality, icon, defButton, help), flags);

        Box box;
        box.setMessageBoxType(type);
        box.setMessageModalityLevel(modality);
        box.setMessageBoxIcon(icon);
        box.setMessageDefButton(defButton);
        box.setShowHelpButton(help);
        QCOMPARE(box.Flags(), flags);
    }

    void results_data()
    {
        QTest::addColumn<QMessageBox::StandardButton>("button");
        QTest::addColumn<Box::TqvMessageExecResult>("result");
        QTest::newRow("Ok") << QMessageBox::Ok << Box::merOk;
        QTest::newRow("Cancel") << QMessageBox::Cancel << Box::merCancel;
        QTest::newRow("Abort") << QMessageBox::Abort << Box::merAbort;
        QTest::newRow("Retry") << QMessageBox::Retry << Box::merRetry;
        QTest::newRow("Ignore") << QMessageBox::Ignore << Box::merIgnore;
        QTest::newRow("Yes") << QMessageBox::Yes << Box::merYes;
        QTest::newRow("No") << QMessageBox::No << Box::merNo;
        QTest::newRow("Close") << QMessageBox::Close << Box::merClose;
        QTest::newRow("no button: the box failed") << QMessageBox::NoButton << Box::merNone;
        QTest::newRow("a button no box type has") << QMessageBox::Save << Box::merNone;
    }

    void results()
    {
        QFETCH(QMessageBox::StandardButton, button);
        QFETCH(Box::TqvMessageExecResult, result);
        QCOMPARE(Box::resultFor(button), result);
    }

    void execute_data()
    {
        QTest::addColumn<Box::TqvMessageBoxType>("type");
        QTest::addColumn<Box::TqvMessageDefButton>("defButton");
        QTest::addColumn<Buttons>("buttons");
        QTest::addColumn<QMessageBox::StandardButton>("defaultButton");
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::addColumn<Box::TqvMessageExecResult>("result");

        QTest::newRow("Ok pressed") << Box::mbtOk << Box::mdbButton1 << Buttons{QMessageBox::Ok} << QMessageBox::Ok
                                    << QMessageBox::Ok << Box::merOk;
        QTest::newRow("YesNo, No default, No pressed")
            << Box::mbtYesNo << Box::mdbButton2 << Buttons{QMessageBox::Yes, QMessageBox::No} << QMessageBox::No
            << QMessageBox::No << Box::merNo;
        QTest::newRow("OkCancel, Cancel pressed") << Box::mbtOkCancel << Box::mdbButton1
                                                  << Buttons{QMessageBox::Ok, QMessageBox::Cancel} << QMessageBox::Ok
                                                  << QMessageBox::Cancel << Box::merCancel;
        QTest::newRow("AbortRetryIgnore, Ignore default")
            << Box::mbtAbortRetryIgnore << Box::mdbButton3
            << Buttons{QMessageBox::Abort, QMessageBox::Retry, QMessageBox::Ignore} << QMessageBox::Ignore
            << QMessageBox::Abort << Box::merAbort;
        QTest::newRow("YesNoCancel, button 4 past the end is the first")
            << Box::mbtYesNoCancel << Box::mdbButton4 << Buttons{QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel}
            << QMessageBox::Yes << QMessageBox::Yes << Box::merYes;
        QTest::newRow("RetryCancel, Retry pressed") << Box::mbtRetryCancel << Box::mdbButton2
                                                    << Buttons{QMessageBox::Retry, QMessageBox::Cancel} << QMessageBox::Cancel
                                                    << QMessageBox::Retry << Box::merRetry;
    }

    void execute()
    {
        QFETCH(Box::TqvMessageBoxType, type);
        QFETCH(Box::TqvMessageDefButton, defButton);
        QFETCH(Buttons, buttons);
        QFETCH(QMessageBox::StandardButton, defaultButton);
        QFETCH(QMessageBox::StandardButton, answer);
        QFETCH(Box::TqvMessageExecResult, result);

        Box box;
        box.setMessageBoxType(type);
        box.setMessageDefButton(defButton);
        box.setMessageBoxIcon(Box::mbiQuestion);
        box.setMessageText(QStringLiteral("Save the changes?"));
        box.setMessageCaption(QStringLiteral("Projects"));
        QSignalSpy after(&box, &Box::AfterExecute);
        MessageService::queueAnswer(answer);

        QCOMPARE(box.Execute(), result);
        QCOMPARE(box.ExecResult(), result);

        QCOMPARE(MessageService::shownForTests().size(), 1);
        const MessageService::Request& shown = MessageService::shownForTests().first();
        QCOMPARE(shown.title, QStringLiteral("Projects"));
        QCOMPARE(shown.text, QStringLiteral("Save the changes?"));
        QCOMPARE(shown.icon, QMessageBox::Question);
        QMessageBox::StandardButtons expected;
        for (QMessageBox::StandardButton button : buttons)
            expected |= button;
        QCOMPARE(shown.buttons, expected);
        QCOMPARE(shown.defaultButton, defaultButton);

        QCOMPARE(after.size(), 1);
        QCOMPARE(after.at(0).at(0).value<QObject*>(), &box);
        QCOMPARE(after.at(0).at(1).value<Box::TqvMessageExecResult>(), result);
    }

    void icons_data()
    {
        QTest::addColumn<Box::TqvMessageBoxIcon>("icon");
        QTest::addColumn<QMessageBox::Icon>("shown");
        QTest::newRow("none") << Box::mbiNone << QMessageBox::NoIcon;
        QTest::newRow("information") << Box::mbiInformation << QMessageBox::Information;
        QTest::newRow("question") << Box::mbiQuestion << QMessageBox::Question;
        QTest::newRow("warning") << Box::mbiWarning << QMessageBox::Warning;
        QTest::newRow("error") << Box::mbiError << QMessageBox::Critical;
    }

    void icons()
    {
        QFETCH(Box::TqvMessageBoxIcon, icon);
        QFETCH(QMessageBox::Icon, shown);
        Box box;
        box.setMessageBoxIcon(icon);
        box.Execute();
        QCOMPARE(MessageService::shownForTests().last().icon, shown);
    }

    void failedBoxGivesNoneAndStillReports()
    {
        MessageService::setHandler([](const MessageService::Request&) { return QMessageBox::NoButton; });
        Box box;
        box.setMessageBoxType(Box::mbtYesNo);
        QSignalSpy after(&box, &Box::AfterExecute);
        QCOMPARE(box.Execute(), Box::merNone);
        QCOMPARE(after.size(), 1);
        QCOMPARE(after.at(0).at(1).value<Box::TqvMessageExecResult>(), Box::merNone);
    }

    void emptyTextsArePassedAsEmpty()
    {
        Box box;
        box.Execute();
        QVERIFY(MessageService::shownForTests().last().text.isEmpty());
        QVERIFY(MessageService::shownForTests().last().title.isEmpty());
    }

    void helpButtonCallsHandlerAndKeepsBoxOpen()
    {
        Box box;
        box.setMessageBoxType(Box::mbtYesNo);
        box.setShowHelpButton(true);
        QSignalSpy help(&box, &Box::OnHelpButtonClick);
        QSignalSpy after(&box, &Box::AfterExecute);
        MessageService::queueAnswer(QMessageBox::Help);
        MessageService::queueAnswer(QMessageBox::Help);
        MessageService::queueAnswer(QMessageBox::No);

        QCOMPARE(box.Execute(), Box::merNo);
        QCOMPARE(help.size(), 2);
        QCOMPARE(help.at(0).at(0).value<QObject*>(), &box);
        QCOMPARE(after.size(), 1);
        QVERIFY(MessageService::shownForTests().first().buttons.testFlag(QMessageBox::Help));
    }

    void helpLeavesTheShownBoxOpen()
    {
        // The real box on the screen, not the test answers.
        MessageService::setHandler({});
        Box box;
        box.setMessageBoxType(Box::mbtYesNo);
        box.setShowHelpButton(true);
        int helps = 0;
        int boxesSeen = 0;
        bool helpClicked = false;
        bool stillOpenAfterHelp = false;
        connect(&box, &Box::OnHelpButtonClick, this, [&] { ++helps; });
        std::function<void()> step = [&] {
            auto* shown = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!shown) {
                QTimer::singleShot(10, this, step);
                return;
            }
            if (!shown->property("seen").toBool()) { // a box opened anew
                shown->setProperty("seen", true);
                ++boxesSeen;
            }
            if (!helpClicked) {
                helpClicked = true;
                shown->button(QMessageBox::Help)->click();
                QTimer::singleShot(10, this, step);
                return;
            }
            stillOpenAfterHelp = shown->isVisible();
            shown->button(QMessageBox::No)->click();
        };
        QTimer::singleShot(0, this, step);
        QCOMPARE(box.Execute(), Box::merNo);
        QCOMPARE(helps, 1);
        QCOMPARE(boxesSeen, 1);
        QVERIFY(stillOpenAfterHelp);
    }

    void unknownBoxTypeStillShowsOk()
    {
        Box box;
        QVERIFY(box.setProperty("MessageBoxType", 9));
        QCOMPARE(box.Execute(), Box::merOk);
    }

    void helpNeverBecomesTheDefault()
    {
        // Ok + Help with the second button as default: Enter must still close the box.
        QCOMPARE(Box::defaultButtonFor(Box::mbtOk, Box::mdbButton2, true), QMessageBox::Ok);
        Box box;
        box.setShowHelpButton(true);
        box.setMessageDefButton(Box::mdbButton2);
        QCOMPARE(box.Execute(), Box::merOk);
    }

    void noHelpButtonWithoutTheFlag()
    {
        Box box;
        box.Execute();
        QVERIFY(!MessageService::shownForTests().last().buttons.testFlag(QMessageBox::Help));
        QVERIFY(!MessageService::shownForTests().last().onHelp);
    }

    void informationBoxReturnsOk()
    {
        // How the main window's notices are set up.
        Box box;
        box.setMessageBoxIcon(Box::mbiInformation);
        box.setMessageText(QStringLiteral("No Project Selected"));
        box.setMessageCaption(QStringLiteral("Hourwright"));
        QCOMPARE(box.Execute(), Box::merOk);
        QCOMPARE(box.Flags(), 0x40u);
    }
};

QTEST_MAIN(tst_QVMessageBox)
#include "tst_QVMessageBox.moc"
