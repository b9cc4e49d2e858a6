#pragma once
// clocksim as a child process serving a scenario on a TCP port of 127.0.0.1, for tests that run
// the window against it in real time. The simulator stops when the object is gone.
#include <QProcess>
#include <QString>
#include <QStringList>

class SimProcess {
 public:
  // AStatements: scenario statements, ";" between them.
  explicit SimProcess(const QString& AStatements) {
    QStringList arguments = {"--tcp", "0", "--exit-on-stdin-eof"};
    if (!AStatements.isEmpty()) arguments << "-e" << AStatements;
    FProcess.setProcessChannelMode(QProcess::SeparateChannels);
    FProcess.start(QStringLiteral(CLOCKSIM_PATH), arguments);
    if (!FProcess.waitForStarted(5000)) return;
    // The first line on standard output names the port: "tcp <port>".
    while (FProcess.state() == QProcess::Running && !FProcess.canReadLine())
      FProcess.waitForReadyRead(100);
    const QString line = QString::fromUtf8(FProcess.readLine()).trimmed();
    if (line.startsWith("tcp ")) FPort = line.mid(4).toInt();
  }
  ~SimProcess() {
    FProcess.closeWriteChannel();
    if (!FProcess.waitForFinished(3000)) {
      FProcess.kill();
      FProcess.waitForFinished(1000);
    }
  }
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  // 0 when the simulator did not start.
  int Port() const { return FPort; }
  QString Errors() { return QString::fromUtf8(FProcess.readAllStandardError()); }

 private:
  QProcess FProcess;
  int FPort = 0;
};
