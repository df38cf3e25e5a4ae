// The headless capture command: --capture SOURCE OUT --seconds S [--framework 0|1].
#include "app/CommandLine.h"

#include "capture/UnitCaptureCommand.h"

#include <QTextStream>

int RunCapture(const QStringList& args, const TOptions& /*options*/, QTextStream& /*out*/, QTextStream& err)
{
    TCaptureRequest request;
    QStringList operands;
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (arg == QLatin1String("--seconds") || arg == QLatin1String("--framework")) {
            if (i + 1 >= args.size()) {
                err << "kinotra: " << arg << " needs a value\n";
                return 2;
            }
            bool isNumber = false;
            const int value = args.at(++i).toInt(&isNumber);
            if (!isNumber) {
                err << "kinotra: " << arg << ": " << args.at(i) << " is not a whole number\n";
                return 2;
            }
            (arg == QLatin1String("--seconds") ? request.Seconds : request.Framework) = value;
            if (arg == QLatin1String("--framework") && value != 0 && value != 1) {
                err << "kinotra: --framework must be 0 (V4L2) or 1 (GStreamer)\n";
                return 2;
            }
        } else if (arg.startsWith(QLatin1String("--"))) {
            err << "kinotra: --capture does not take " << arg << '\n';
            return 2;
        } else {
            operands << arg;
        }
    }
    if (operands.size() != 2) {
        err << "kinotra: --capture needs SOURCE and OUT\n";
        return 2;
    }
    if (request.Seconds == 0) {
        err << "kinotra: --capture needs --seconds S\n";
        return 2;
    }
    request.Source = operands.at(0);
    request.Output = operands.at(1);

    TCaptureResult result;
    QString message;
    const int code = RunCaptureCommand(request, result, message, [&err](const QString& line) {
        err << "kinotra: recording " << line << '\n';
        err.flush();
    });
    if (!message.isEmpty())
        err << "kinotra: " << message << '\n';
    if (code == 0 || result.EndedEarly)
        err << "kinotra: " << result.Frames << " frames written at " << result.FramesPerSecond << " fps, "
            << result.Lost << " lost, to " << request.Output << '\n';
    return code;
}
