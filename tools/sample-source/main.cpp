// quorvane-sample-source --port N [--address A] [--fault MODE] [--slow-ms N]
//                        [--seats-need-code] [--refuse-new-report] [--tls CERT KEY]
// Serves the sample day on the loopback interface until it is interrupted,
// as listing pages and as the data centre's JSON answers, so the program can
// download with either source kind without the internet.
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "tools/sample-source/sample_server.h"

namespace {

volatile std::sig_atomic_t g_interrupted = 0;

void OnSignal(int) {
  g_interrupted = 1;
}

int Usage() {
  std::fprintf(stderr,
               "usage: quorvane-sample-source --port N [--address A] [--fault MODE] "
               "[--slow-ms N]\n"
               "                              [--seats-need-code] [--refuse-new-report] "
               "[--tls CERT KEY]\n"
               "  MODE: none slow error truncated garbage nul nolist unpublished drop "
               "file-redirect busy unavailable\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  int port = -1;
  int slow_ms = 200;
  std::string address = "127.0.0.1";
  sample_source::Fault fault = sample_source::Fault::kNone;
  sample_source::SampleSource source;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--seats-need-code") {
      source.SetSeatsNeedCode(true);
      continue;
    }
    if (arg == "--refuse-new-report") {
      source.SetNewDayReportRefused(true);
      continue;
    }
    if (arg == "--tls") {
      if (i + 2 >= argc) return Usage();
      source.UseTls(argv[i + 1], argv[i + 2]);
      i += 2;
      continue;
    }
    if (i + 1 >= argc) return Usage();
    const std::string value = argv[++i];
    if (arg == "--port") {
      port = std::atoi(value.c_str());
    } else if (arg == "--address") {
      address = value;
    } else if (arg == "--slow-ms") {
      slow_ms = std::atoi(value.c_str());
    } else if (arg == "--fault") {
      const auto f = sample_source::FaultFromName(value);
      if (!f) return Usage();
      fault = *f;
    } else {
      return Usage();
    }
  }
  if (port < 0 || port > 65535) return Usage();

  source.SetFault(fault);
  source.SetSlowMs(slow_ms);
  if (source.Start(port, address) < 0) {
    std::fprintf(stderr, "quorvane-sample-source: cannot listen on %s:%d\n", address.c_str(), port);
    return 1;
  }
  std::printf(
      "quorvane-sample-source: serving on %s://%s/stock/smebt.php and "
      "%s://%s/api/data/v1/get (fault: %s)\n",
      source.tls() ? "https" : "http", source.Host().c_str(), source.tls() ? "https" : "http",
      source.Host().c_str(), sample_source::FaultName(fault));
  std::fflush(stdout);

  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);
  while (!g_interrupted) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  source.Stop();
  return 0;
}
