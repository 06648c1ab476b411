#include "components/o_DataSetToCsv.h"
#include "support/BoundGrid.h"
#include "support/ExternalReaders.h"
#include "toolkit/AppError.h"
#include "toolkit/Clock.h"
#include "toolkit/DataSource.h"
#include "toolkit/DbGrid.h"
#include "toolkit/MemTable.h"
#include "toolkit/MessageService.h"
#include "toolkit/UrlOpener.h"

#include <QDir>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QtTest>

class TestDataSetToCsv : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<BoundGrid> m_view;
    MemTable* m_table = nullptr;
    DbGrid* m_grid = nullptr;
    QList<QUrl> m_opened;

    std::unique_ptr<TDataSetToCsv> exporter()
    {
        auto csv = std::make_unique<TDataSetToCsv>();
        csv->setOutputFolder(m_dir->path());
        return csv;
    }
    void addRow(const QVariantList& values)
    {
        m_table->append();
        for (int i = 0; i < values.size(); ++i)
            if (!values.at(i).isNull())
                m_table->setValue(i, values.at(i));
        m_table->post();
    }

private slots:
    void init()
    {
        Clock::setNow(QDateTime(QDate(2026, 12, 8), QTime(14, 3, 22)));
        MessageService::resetForTests();
        MessageService::useTestAnswers();
        m_opened.clear();
        UrlOpener::setHandler([this](const QUrl& url) {
            m_opened << url;
            return true;
        });
        m_dir = std::make_unique<QTemporaryDir>();
        m_view = std::make_unique<BoundGrid>();
        m_table = &m_view->table;
        m_grid = &m_view->grid;
        m_table->addField("PROJECT_NAME", FieldType::Text);
        m_table->addField("DAY_START", FieldType::Date);
        m_table->addField("TIME_SPEND", FieldType::Float);
        m_table->addField("TIME_START", FieldType::DateTime);
        m_table->addField("COMPLETED", FieldType::Boolean);
        m_table->addField("ID", FieldType::Integer);
        m_table->open();
        m_grid->addColumn("PROJECT_NAME", "Project", 150);
        m_grid->addColumn("ID", "Number", 50, false);
        m_grid->addColumn("DAY_START", "Start Date", 100);
        m_grid->addColumn("TIME_SPEND", "Work Time, h", 99);
        m_grid->addColumn("TIME_START", "Start Time", 80);
        m_grid->addColumn("COMPLETED", "Done", 40);
    }
    void cleanup()
    {
        m_view.reset();
        m_dir.reset();
        UrlOpener::setHandler({});
        Clock::reset();
        QLocale::setDefault(QLocale::c());
    }

    void values_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("null") << QVariant() << "";
        QTest::newRow("date") << QVariant(QDate(2009, 5, 31)) << "2009-05-31";
        QTest::newRow("date-time") << QVariant(QDateTime(QDate(2009, 5, 31), QTime(8, 5, 9))) << "2009-05-31T08:05:09";
        QTest::newRow("whole hours") << QVariant(8.0) << "8";
        QTest::newRow("quarter") << QVariant(3.25) << "3.25";
        QTest::newRow("a minute") << QVariant(1.0 / 60.0) << "0.0166666666666667";
        QTest::newRow("binary noise dropped") << QVariant(0.1 + 0.2) << "0.3";
        QTest::newRow("large") << QVariant(12345.5) << "12345.5";
        QTest::newRow("negative") << QVariant(-0.5) << "-0.5";
        QTest::newRow("flag") << QVariant(true) << "1";
        QTest::newRow("whole number") << QVariant(qlonglong(1234567)) << "1234567";
        QTest::newRow("text stays as it is") << QVariant(QStringLiteral(" a,b ")) << " a,b ";
    }
    void values()
    {
        QFETCH(QVariant, value);
        QFETCH(QString, text);
        // A language with a decimal comma and grouping must not leak in.
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(TDataSetToCsv::text(value), text);
    }

    // What a spreadsheet or a script reads back is what the grid shows,
    // whatever the texts hold.
    void readsBackWithARealParser()
    {
        const QStringList names{"Billing", "Acme, Inc.", "the \"new\" site", "two\nlines", "windows\r\nbreak",
                                "Έργο", "Проект", "計画", "", "\"", "trailing,"};
        for (int i = 0; i < names.size(); ++i)
            addRow({names.at(i), QDate(2026, 12, 1).addDays(i), 0.25 * i, QDateTime(QDate(2026, 12, 1), QTime(8, i)),
                    i % 2 == 0, 100 + i});
        addRow({QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QVariant()});
        m_table->setRecNo(3);
        QProgressBar bar;
        auto csv = exporter();
        csv->setProgressBar(&bar);
        csv->ExportGrid(m_grid);

        const QString file = QDir(m_dir->path()).filePath("Hourwright 2026-12-08 14-03-22.csv");
        QCOMPARE(csv->LastExportFileName(), file);
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{"Hourwright 2026-12-08 14-03-22.csv"});
        const QList<QStringList> records = ExternalReaders::csvRecords(file);
        QCOMPARE(records.size(), names.size() + 2);
        QCOMPARE(records.first(), QStringList({"Project", "Start Date", "Work Time, h", "Start Time", "Done"}));
        for (int i = 0; i < names.size(); ++i) {
            const QStringList expected{names.at(i), QDate(2026, 12, 1).addDays(i).toString(Qt::ISODate),
                                       QString::number(0.25 * i), QStringLiteral("2026-12-01T08:%1:00").arg(i, 2, 10, QLatin1Char('0')),
                                       i % 2 == 0 ? "1" : "0"};
            QCOMPARE(records.at(i + 1), expected);
        }
        QCOMPARE(records.last(), QStringList({"", "", "", "", ""}));

        QFile raw(file);
        QVERIFY(raw.open(QIODevice::ReadOnly));
        const QByteArray bytes = raw.readAll();
        QVERIFY(bytes.startsWith("Project,Start Date,\"Work Time, h\",Start Time,Done\r\nBilling,2026-12-01,0,"));
        QVERIFY(bytes.contains("\xCE\x88\xCF\x81\xCE\xB3\xCE\xBF")); // Έργο in UTF-8
        QVERIFY(bytes.endsWith(",,,,\r\n"));

        QCOMPARE(m_table->recNo(), 3);
        QCOMPARE(bar.maximum(), names.size() + 1);
        QCOMPARE(bar.value(), 0);
        QCOMPARE(MessageService::shownForTests().size(), 1);
        QCOMPARE(MessageService::shownForTests().first().text, "Exported Successfully");
        QCOMPARE(m_opened, QList<QUrl>{QUrl::fromLocalFile(file)});
    }

    void secondExportInTheSameSecondKeepsTheFirst()
    {
        addRow({"Billing", QDate(2026, 12, 1), 1.0, QVariant(), true, 1});
        auto csv = exporter();
        csv->ExportGrid(m_grid);
        csv->ExportGrid(m_grid);
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files),
                 QStringList({"Hourwright 2026-12-08 14-03-22 (2).csv", "Hourwright 2026-12-08 14-03-22.csv"}));
    }

    void failureLeavesNothing()
    {
        addRow({"Billing", QDate(2026, 12, 1), 1.0, QVariant(), true, 1});
        auto csv = exporter();
        csv->setOutputFolder(QDir(m_dir->path()).filePath("missing"));
        try {
            csv->ExportGrid(m_grid);
            QFAIL("no failure reported");
        } catch (const AppError& error) {
            QVERIFY2(error.message().startsWith("Unable to write to " + m_dir->path()), qPrintable(error.message()));
        }
        QVERIFY(MessageService::shownForTests().isEmpty());
        QVERIFY(m_opened.isEmpty());
        QVERIFY(csv->LastExportFileName().isEmpty());
    }

    void gridWithoutTableDoesNothing()
    {
        DbGrid bare;
        exporter()->ExportGrid(&bare);
        exporter()->ExportGrid(nullptr);
        QVERIFY(QDir(m_dir->path()).entryList(QDir::Files).isEmpty());
        QVERIFY(MessageService::shownForTests().isEmpty());
    }
};

QTEST_MAIN(TestDataSetToCsv)
#include "tst_DataSetToCsv.moc"
