#include "app/batch/EngineAdapter.h"

#include <QTimer>

void UnavailableEngine::SetupConversion(const QString& inputPath, const QString& outputPath) {
    Q_UNUSED(outputPath);
    m_pending = true;
    // Reported from the event loop, as a real run would, so the caller's tick has ended first.
    QTimer::singleShot(0, this, [this, inputPath] {
        Q_EMIT error(-1, QStringLiteral("No conversion engine in this build: ") + inputPath);
        m_pending = false;
        Q_EMIT stopped();
    });
}
