// The phases of a phonebook import, timed in one process, for run_phonebook_bench.sh:
//   phonebook_bench_import CSV BOOK
// prints the seconds (CPU of this process) of
//   1. the library's CSV import alone (Abif_Import into a container),
//   2. reading BOOK into the model,
//   3. the model's import of CSV into it (entries, checks, the atomic save).
#include <ctime>
#include <cstdio>
#include <memory>

#include "nx/phonebook/abif_csv.h"
#include "nx/phonebook/fax_phonebook_model.h"
#include "nx/platform/headless_toolkit.h"
#include "nx/platform/services.h"

namespace {

double CpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace nx::phonebook;
  if (argc != 3) {
    std::fputs("usage: phonebook_bench_import CSV BOOK\n", stderr);
    return 2;
  }
  double t0 = CpuSeconds();
  {
    ABIFDataPtr data(ABIFData_Create());
    int type = 0, format = 0;
    bool partner = false;
    if (Abif_Import(nullptr, argv[1], kAbifImportCsv, data.get(), &type, &format, &partner, 0) != 0) {
      return 1;
    }
  }
  const double library = CpuSeconds() - t0;

  auto services = nx::platform::Services::Linux(std::make_unique<nx::platform::ui::HeadlessToolkit>());
  FaxPhonebookModel model(*services);
  model.usePhonebookFile(argv[2]);
  t0 = CpuSeconds();
  if (!model.readMyFaxFile(argv[2])) return 1;
  const double read = CpuSeconds() - t0;
  t0 = CpuSeconds();
  if (!model.importRecorder(argv[1], false) || !model.lastReport().saved) return 1;
  const double import = CpuSeconds() - t0;
  std::printf("%.6f %.6f %.6f\n", library, read, import);
  return 0;
}
