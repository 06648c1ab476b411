#include "components/o_DataSetToExcel.h"
#include "support/TestTimes.h"
#include "toolkit/AppError.h"
#include "toolkit/Clock.h"
#include "toolkit/DataSource.h"
#include "toolkit/DbGrid.h"
#include "toolkit/MemTable.h"
#include "toolkit/MessageService.h"
#include "toolkit/UrlOpener.h"
#include "toolkit/XlsxWorkbook.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QXmlStreamReader>
#include <QtTest>

#include <zip.h>

namespace {

QByteArray zipEntry(const QString& path, const char* name)
{
    int error = 0;
    zip_t* archive = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (!archive)
        return {};
    QByteArray data;
    if (zip_file_t* file = zip_fopen(archive, name, 0)) {
        char buffer[8192];
        zip_int64_t n;
        while ((n = zip_fread(file, buffer, sizeof buffer)) > 0)
            data.append(buffer, qsizetype(n));
        zip_fclose(file);
    }
    zip_close(archive);
    return data;
}

struct Cell
{
    QString type; // "inlineStr" for text, empty for numbers
    QString value;
};

// The cells of the first sheet by reference ("A1").
QMap<QString, Cell> readCells(const QString& workbook)
{
    QMap<QString, Cell> cells;
    QXmlStreamReader xml(zipEntry(workbook, "xl/worksheets/sheet1.xml"));
    QString ref;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("c")) {
            ref = xml.attributes().value("r").toString();
            cells[ref].type = xml.attributes().value("t").toString();
        } else if (xml.isStartElement() && (xml.name() == QLatin1String("v") || xml.name() == QLatin1String("t"))) {
            cells[ref].value = xml.readElementText();
        }
    }
    if (xml.hasError())
        qWarning() << "sheet:" << xml.errorString();
    return cells;
}

QByteArray digest(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

} // namespace

class TestDataSetToExcel : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_template;
    QString m_output;
    QList<QUrl> m_opened;
    bool m_openResult = true;

    std::unique_ptr<MemTable> m_table;
    std::unique_ptr<DataSource> m_source;
    std::unique_ptr<DbGrid> m_grid;

    void fillTable(int extraRows = 0)
    {
        MemTable& t = *m_table;
        // Filled detached: a grid following every append makes this slow.
        m_source->setDataSet(nullptr);
        t.addField("NAME", FieldType::Text, 40);
        t.addField("SPEND", FieldType::Float);
        t.addField("DAY", FieldType::Date);
        t.addField("START", FieldType::DateTime);
        t.addField("COUNT", FieldType::Integer);
        t.open();
        auto row = [&](const QVariantList& values) {
            t.append();
            for (int i = 0; i < values.size(); ++i)
                t.setValue(i, values[i]);
            t.post();
        };
        row({"Billing", 1.5, QDate(2009, 5, 1), at("2009-05-01 08:30:00"), 7});
        row({QVariant(), QVariant(), QVariant(), QVariant(), 1});
        row({"Portal & <Co>", 0.25, QDate(2009, 5, 31), at("2009-05-31 18:00:00"), 0});
        for (int i = 0; i < extraRows; ++i)
            row({QStringLiteral("Row %1").arg(i), double(i), QDate(2010, 1, 1), at("2010-01-01 12:00:00"), i});
        m_source->setDataSet(m_table.get());
    }

    std::unique_ptr<TDataSetToExcel> exporter()
    {
        auto result = std::make_unique<TDataSetToExcel>();
        result->setExcelFileName(m_template);
        result->setOutputFolder(m_output);
        return result;
    }

    QStringList outputFiles() const { return QDir(m_output).entryList(QDir::Files, QDir::Name); }
    int boxesWith(const QString& text) const
    {
        int count = 0;
        for (const auto& box : MessageService::shownForTests())
            count += box.text.contains(text) ? 1 : 0;
        return count;
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_template = m_dir->filePath("Hourwright.xlsx");
        XlsxWriter::createEmptyWorkbook(m_template);
        m_output = m_dir->filePath("out");
        QDir().mkpath(m_output);
        MessageService::resetForTests();
        m_opened.clear();
        m_openResult = true;
        UrlOpener::setHandler([this](const QUrl& url) {
            m_opened << url;
            return m_openResult;
        });
        Clock::setNow(at("2026-12-08 14:03:22"));

        m_table = std::make_unique<MemTable>();
        m_source = std::make_unique<DataSource>();
        m_source->setDataSet(m_table.get());
        m_grid = std::make_unique<DbGrid>();
        m_grid->addColumn("NAME", "Project", 150);
        m_grid->addColumn("COUNT", "Hidden", 50, false);
        m_grid->addColumn("SPEND", "Work Time", 99);
        m_grid->addColumn("", "Notes", 80);
        m_grid->addColumn("DAY", "Day", 100);
        m_grid->addColumn("START", "Start", 80);
        m_grid->addColumn("COUNT", "Count", 80);
        m_grid->setDataSource(m_source.get());
    }
    void cleanup()
    {
        m_grid.reset();
        m_source.reset();
        m_table.reset();
        UrlOpener::setHandler({});
        Clock::reset();
        m_dir.reset();
    }

    void fileNameMustExist_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("missing file") << "nowhere.xlsx";
        QTest::newRow("a folder") << "";
        QTest::newRow("missing folder") << "gone/Hourwright.xlsx";
    }
    void fileNameMustExist()
    {
        QFETCH(QString, name);
        TDataSetToExcel excel;
        excel.setExcelFileName(m_template);
        const QString path = m_dir->filePath(name);
        try {
            excel.setExcelFileName(path);
            QFAIL("accepted a workbook that does not exist");
        } catch (const AppError& error) {
            QCOMPARE(error.message(), QStringLiteral("The excel file %1 does not exist!").arg(path));
        }
        QCOMPARE(excel.ExcelFileName(), m_template);
    }

    void exportsTypedCellsByGridPosition()
    {
        fillTable();
        auto excel = exporter();
        excel->ExportGrid(m_grid.get());

        const QString copy = QDir(m_output).filePath("Hourwright 2026-12-08 14-03-22.xlsx");
        QCOMPARE(outputFiles(), QStringList{"Hourwright 2026-12-08 14-03-22.xlsx"});
        QCOMPARE(excel->LastExportFileName(), copy);
        const QMap<QString, Cell> cells = readCells(copy);

        // Titles of the visible columns; the hidden one keeps its letter empty.
        QCOMPARE(cells.value("A1").value, "Project");
        QVERIFY(!cells.contains("B1"));
        QCOMPARE(cells.value("C1").value, "Work Time");
        QCOMPARE(cells.value("D1").value, "Notes");
        QCOMPARE(cells.value("E1").value, "Day");
        QCOMPARE(cells.value("F1").value, "Start");
        QCOMPARE(cells.value("G1").value, "Count");
        QCOMPARE(cells.value("A1").type, "inlineStr");

        QCOMPARE(cells.value("A2").type, "inlineStr");
        QCOMPARE(cells.value("A2").value, "Billing");
        QVERIFY(!cells.contains("B2"));
        QCOMPARE(cells.value("C2").type, "");
        QCOMPARE(cells.value("C2").value.toDouble(), 1.5);
        QVERIFY(!cells.contains("D2")); // no field, no values
        QCOMPARE(cells.value("E2").value, "39934"); // 2009-05-01 as a date serial
        QCOMPARE(cells.value("E2").type, "");
        QVERIFY(qAbs(cells.value("F2").value.toDouble() - (39934 + 8.5 / 24)) < 1e-9);
        QCOMPARE(cells.value("G2").value, "7");

        // A row of nulls leaves its cells out, but for the one value it has.
        for (const char* ref : {"A3", "B3", "C3", "D3", "E3", "F3"})
            QVERIFY2(!cells.contains(ref), ref);
        QCOMPARE(cells.value("G3").value, "1");

        QCOMPARE(cells.value("A4").value, "Portal & <Co>");
        QCOMPARE(cells.value("G4").value, "0");
        QVERIFY(!cells.contains("A5"));
    }

    void templateIsNeverModified()
    {
        fillTable();
        const QByteArray before = digest(m_template);
        const QDateTime modified = QFileInfo(m_template).lastModified();
        auto excel = exporter();
        excel->ExportGrid(m_grid.get());
        excel->ExportGrid(m_grid.get());
        QCOMPARE(digest(m_template), before);
        QCOMPARE(QFileInfo(m_template).lastModified(), modified);
        QCOMPARE(zipEntry(m_template, "xl/worksheets/sheet1.xml").contains("Billing"), false);
    }

    void exportsWithinOneSecondGetTheirOwnFiles()
    {
        fillTable();
        auto excel = exporter();
        excel->ExportGrid(m_grid.get());
        excel->ExportGrid(m_grid.get());
        excel->ExportGrid(m_grid.get());
        QCOMPARE(outputFiles(), QStringList({"Hourwright 2026-12-08 14-03-22 (2).xlsx",
                                             "Hourwright 2026-12-08 14-03-22 (3).xlsx",
                                             "Hourwright 2026-12-08 14-03-22.xlsx"}));
        QCOMPARE(m_opened.size(), 3);
        QCOMPARE(m_opened.last(), QUrl::fromLocalFile(QDir(m_output).filePath("Hourwright 2026-12-08 14-03-22 (3).xlsx")));
    }

    void successIsReportedAfterTheFileIsComplete()
    {
        fillTable();
        auto excel = exporter();
        const QString copy = QDir(m_output).filePath("Hourwright 2026-12-08 14-03-22.xlsx");
        bool completeWhenShown = false;
        MessageService::setHandler([&](const MessageService::Request& request) {
            if (request.text == "Exported Successfully")
                completeWhenShown = readCells(copy).value("A4").value == "Portal & <Co>" && m_opened.isEmpty();
            return QMessageBox::Ok;
        });
        excel->ExportGrid(m_grid.get());
        QVERIFY(completeWhenShown);
        const auto& shown = MessageService::shownForTests();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].title, "Hourwright");
        QCOMPARE(shown[0].text, "Exported Successfully");
        QCOMPARE(shown[0].icon, QMessageBox::Information);
        QCOMPARE(m_opened, QList<QUrl>{QUrl::fromLocalFile(copy)});
    }

    void copyThatCannotBeOpenedIsSaid()
    {
        fillTable();
        m_openResult = false;
        auto excel = exporter();
        excel->ExportGrid(m_grid.get());
        QCOMPARE(boxesWith("Exported Successfully"), 1);
        QCOMPARE(boxesWith("no program could open it"), 1);
        QCOMPARE(excel->ShowExcel(), false);
        m_openResult = true;
        QCOMPARE(excel->ShowExcel(), true);
    }

    void progressAndCursorAreRestored()
    {
        fillTable(5);
        QProgressBar bar;
        bar.setValue(0);
        QSignalSpy values(&bar, &QProgressBar::valueChanged);
        m_table->setRecNo(2);
        QSignalSpy moves(m_table.get(), &MemTable::currentChanged);
        auto excel = exporter();
        excel->setProgressBar(&bar);
        excel->ExportGrid(m_grid.get());

        QCOMPARE(bar.maximum(), 8);
        QCOMPARE(bar.value(), 0);
        int highest = 0;
        for (const auto& args : values)
            highest = qMax(highest, args.at(0).toInt());
        QCOMPARE(highest, 8); // one step per record
        QCOMPARE(m_table->recNo(), 2);
        QVERIFY(!m_table->controlsDisabled());
        QVERIFY(m_grid->isEnabled());
        // The grid heard of the cursor only once, when the controls came back.
        QCOMPARE(moves.size(), 1);
        QCOMPARE(moves.first().at(0).toInt(), 2);
    }

    void emptyTableWritesTitlesOnly()
    {
        fillTable();
        while (!m_table->isEmpty())
            m_table->remove();
        auto excel = exporter();
        excel->ExportGrid(m_grid.get());
        const QMap<QString, Cell> cells = readCells(excel->LastExportFileName());
        QCOMPARE(cells.keys(), QStringList({"A1", "C1", "D1", "E1", "F1", "G1"}));
        QCOMPARE(boxesWith("Exported Successfully"), 1);
    }

    void gridWithoutColumnsExportsEveryField()
    {
        fillTable();
        m_grid->clearColumns();
        auto excel = exporter();
        excel->ExportGrid(m_grid.get());
        const QMap<QString, Cell> cells = readCells(excel->LastExportFileName());
        QStringList titles;
        for (const char* ref : {"A1", "B1", "C1", "D1", "E1"})
            titles << cells.value(ref).value;
        QCOMPARE(titles, QStringList({"NAME", "SPEND", "DAY", "START", "COUNT"}));
        QCOMPARE(cells.value("A2").value, "Billing");
        QCOMPARE(cells.value("E4").value, "0");
    }

    void gridWithoutTableDoesNothing()
    {
        DbGrid bare;
        auto excel = exporter();
        excel->ExportGrid(&bare);
        excel->ExportGrid(nullptr);
        QVERIFY(outputFiles().isEmpty());
        QVERIFY(MessageService::shownForTests().isEmpty());
        QVERIFY(m_opened.isEmpty());
    }

    void failuresAreRaisedWithTheReason_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("reason");
        QTest::newRow("workbook vanished") << "vanished" << "does not exist!";
        QTest::newRow("old binary workbook") << "xls" << "Only .xlsx workbooks can be filled";
        QTest::newRow("not a workbook at all") << "text" << "Only .xlsx workbooks can be filled";
        QTest::newRow("output folder missing") << "no folder" << "be written";
        QTest::newRow("output folder gone while writing") << "folder gone" << "could not be written";
    }
    void failuresAreRaisedWithTheReason()
    {
        QFETCH(QString, failure);
        QFETCH(QString, reason);
        fillTable(1200); // long enough for the walk to let pending events run
        QProgressBar bar;
        auto excel = exporter();
        excel->setProgressBar(&bar);
        m_table->setRecNo(1);
        QString expectedPath = m_template;
        if (failure == "vanished") {
            QFile::remove(m_template);
        } else if (failure == "xls" || failure == "text") {
            const QString other = m_dir->filePath(failure == "xls" ? "Old.xls" : "Notes.xlsx");
            QFile file(other);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(failure == "xls" ? QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + QByteArray(600, '\0')
                                        : QByteArray("just some text"));
            file.close();
            excel->setExcelFileName(other);
            expectedPath = other;
        } else if (failure == "no folder") {
            excel->setOutputFolder(m_dir->filePath("missing"));
        } else {
            QTimer::singleShot(0, [this] { QDir(m_output).removeRecursively(); });
        }
        try {
            excel->ExportGrid(m_grid.get());
            QFAIL("the export reported no failure");
        } catch (const AppError& error) {
            QVERIFY2(error.message().contains(reason), qPrintable(error.message()));
            if (failure != "no folder" && failure != "folder gone")
                QVERIFY2(error.message().contains(expectedPath), qPrintable(error.message()));
        }
        QCOMPARE(boxesWith("Exported Successfully"), 0);
        QVERIFY(m_opened.isEmpty());
        QVERIFY(!QDir(m_output).exists() || outputFiles().isEmpty());
        QCOMPARE(bar.value(), 0);
        QCOMPARE(m_table->recNo(), 1);
        QVERIFY(!m_table->controlsDisabled());
        QVERIFY(m_grid->isEnabled());
    }

    void outputFolderDefaultsToDocuments()
    {
        const QByteArray home = qgetenv("HOME");
        const QByteArray config = qgetenv("XDG_CONFIG_HOME");
        const auto restore = qScopeGuard([&] {
            qputenv("HOME", home);
            if (config.isEmpty())
                qunsetenv("XDG_CONFIG_HOME");
            else
                qputenv("XDG_CONFIG_HOME", config);
        });
        TDataSetToExcel excel;
        qputenv("HOME", QFile::encodeName(m_dir->path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir->filePath("config")));
        QCOMPARE(excel.outputFolderInUse(), m_dir->filePath("Documents"));
        QVERIFY(QFileInfo(m_dir->filePath("Documents")).isDir());
        // A home under a plain file cannot hold a documents folder.
        qputenv("HOME", QFile::encodeName(m_template + "/home"));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_template + "/config"));
        QCOMPARE(excel.outputFolderInUse(), QDir::tempPath());
        excel.setOutputFolder(m_output);
        QCOMPARE(excel.outputFolderInUse(), m_output);
    }
};

QTEST_MAIN(TestDataSetToExcel)
#include "tst_DataSetToExcel.moc"
