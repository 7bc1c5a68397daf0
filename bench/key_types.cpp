// Time from the click on "Créer et signer le certificat" to the end of the console run,
// for a CA of each key type, interleaved; means and their ratio to RSA 2048.
//   build/bench/key_types [runs per type, default 30]
#include "Unit1.h"
#include "window_support.h"

#include "pki/KeyType.h"

#include <QElapsedTimer>

int main(int argc, char **argv)
{
    TBenchWindow bench(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 30;
    TForm1 &form = bench.form;
    // One CA of each type, made with its own key; the selector lists them in this order.
    for (int type = 0; type < kKeyTypeCount; ++type) {
        if (!MakeCa(form, bench.tool, QStringLiteral("k%1.bench").arg(type), type)) {
            std::fprintf(stderr, "key_types: the CA of %s could not be created\n",
                         qPrintable(KeyTypeText(TKeyType(type))));
            return 1;
        }
    }

    std::vector<std::vector<double>> times(kKeyTypeCount);
    auto *selector = Find<QComboBox>(&form, "comboDomaineName");
    for (int i = 0; i < runs; ++i) {
        // Interleaved, so every type sees the same machine load.
        for (int type = 0; type < kKeyTypeCount; ++type) {
            selector->setCurrentIndex(type);
            Find<QLineEdit>(&form, "cxMaskEdit2")->setText(QStringLiteral("bench pass"));
            Find<QLineEdit>(&form, "cxTextEdit8")->setText(QStringLiteral("t%1").arg(i));
            Find<QLineEdit>(&form, "cxTextEdit3")->setText(QStringLiteral("export pass"));
            QElapsedTimer clock;
            clock.start();
            Find<QPushButton>(&form, "cxButton14")->click();
            WaitForRuns(&form);
            times[type].push_back(clock.nsecsElapsed() / 1e6);
        }
    }

    std::printf("key_types: %d server certificates of each type, interleaved\n", runs);
    for (int type = 0; type < kKeyTypeCount; ++type)
        std::printf("  %-12s mean %8.1f ms, median %8.1f ms, ratio to RSA 2048 %.2f\n",
                    qPrintable(KeyTypeText(TKeyType(type))), Mean(times[type]), Median(times[type]),
                    Mean(times[type]) / Mean(times[0]));
    return 0;
}
