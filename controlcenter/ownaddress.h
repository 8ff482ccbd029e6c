#pragma once

// Start-up helpers around the platform pieces: the own address (with the
// selection dialog when detection finds none) and the tunnel driver (with the
// message the control center ends on when it cannot be opened).

#include "controlcenter/selectaddressdialog.h"
#include "platform/interfaceaddresses.h"
#include "platform/tunneldriver.h"

#include <QHostAddress>

#include <memory>

class QWidget;

namespace ferry {

// The configured address when it is to be used always, else the detected one;
// when none is found the user is told so and asked to select one. Null when
// the selection is cancelled.
QHostAddress chooseOwnAddress(bool alwaysUseConfigured, const QHostAddress &configured, QWidget *parent = nullptr,
                              const AddressSources &sources = {}, const FindItTarget &findItTarget = {});

// Opens the tunnel driver; on failure warns the user and returns nullptr.
std::unique_ptr<TunnelDriver> openTunnelDriver(QWidget *parent = nullptr);

} // namespace ferry
