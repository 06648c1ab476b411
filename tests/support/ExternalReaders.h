#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

// Reads files the program writes with other people's tools, so that a test
// checks what a user's program would see. Each fails the test (empty result
// plus a warning) when the tool is missing; scripts/deps.sh installs them.
namespace ExternalReaders {

// The text of a PDF in reading order (pdftotext -layout).
QString pdfText(const QString& fileName);
// The page count pdfinfo reports; -1 on failure.
int pdfPages(const QString& fileName);
// The records of a CSV file as Python's csv module parses it (UTF-8).
QList<QStringList> csvRecords(const QString& fileName);

// Runs a Python script with the arguments; its standard output, or empty.
QByteArray python(const QString& script, const QStringList& arguments);
// A workbook as openpyxl reads it: {"sheets": [{"name", "merged": ["H1:J1"],
// "cells": {"A1": {"value", "fill", "bold", "format"}}}]}, where value is
// the text of the value (a formula with its "="), fill the RGB of a solid
// fill, and only cells with a value or a fill are listed.
QJsonObject xlsxContents(const QString& fileName);

} // namespace ExternalReaders
