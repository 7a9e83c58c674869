#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QTableWidget;

// The system's serial ports, Bluetooth ones first, with the port number each one has in
// the device setup. Shows the user which number to type for a Bluetooth phone.
class TfrmSerialPorts : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmSerialPorts(QWidget* parent = nullptr);

    void FillGrid();

    QLabel* lblNote;
    QTableWidget* sgdPorts;
    QPushButton* btnRefresh;
    QPushButton* btnClose;
};
