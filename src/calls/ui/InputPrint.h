#pragma once

#include <QByteArray>

class QWidget;

// Everything a user can type or choose in a page: the texts of its edits, the choices of its
// drop-downs, dates and check boxes, and the cells of tables marked with the property
// "userInput". Equal prints mean nothing was changed in between.
QByteArray InputPrint(const QWidget* page);

