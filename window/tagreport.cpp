#include "window/tagreport.h"

#include <QFile>

#include "window/messagebox.h"

void ShowTagReport(const std::string& message) {
  MessageDlg(QFile::decodeName(QByteArray::fromStdString(message)), TMsgKind::Error,
             TButtons::Ok());
}
