#pragma once

#include "db/IndexNotice.h"

#include <QWidget>

#include <memory>

// The notice shown while the schema upgrade builds indexes: on top, centred, no system
// buttons, hourglass cursor, no input.
class TfrmIndexAlert : public QWidget
{
    Q_OBJECT
public:
    explicit TfrmIndexAlert(QWidget* parent = nullptr);
};

// Gives the schema upgrade the notice window: created and painted at begin, kept painted
// between statements, freed at end.
class TfrmIndexAlertNotice : public IndexNotice
{
public:
    TfrmIndexAlertNotice();
    ~TfrmIndexAlertNotice() override;
    void begin() override;
    void step() override;
    void end() override;
    TfrmIndexAlert* window() const { return FWindow.get(); }

private:
    std::unique_ptr<TfrmIndexAlert> FWindow;
};
