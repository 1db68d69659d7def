#include "shell/progress.hpp"

#include <algorithm>

#include "shell/console_port.hpp"
#include "shell/display.hpp"

namespace varnelo {

double timer = 0;

double now() {
  return console().milliseconds();
}

namespace {

// Hours, minutes and seconds texts of the non-zero parts of a whole number of seconds; the
// seconds text of the estimate ends with ".", that of the elapsed time with a blank.
void print_duration(unsigned long long whole_seconds, unsigned long long hours, bool estimate) {
  unsigned long long minutes = (whole_seconds / 60) % 60;
  unsigned long long seconds = whole_seconds % 60;
  if (hours != 0) sayf("%llu hour ", "%llu jam ", hours);
  if (minutes != 0) sayf("%llu minutes ", "%llu menit ", minutes);
  if (seconds != 0) {
    if (estimate)
      sayf("%llu seconds.", "%llu detik.", seconds);
    else
      sayf("%llu seconds ", "%llu detik ", seconds);
  }
}

// A number of bytes in the largest unit that keeps it above one, highlighted; `rate` says it is
// bytes per second.
void print_bytes(double bytes, bool rate) {
  if (bytes / 1024 / 1024 > 1) {
    putf("%.2lf", bytes / 1024 / 1024);
    x(7);
    rate ? say(" MB per second.\n", " MB per detik.\n") : put(" MB\n");
  } else if (bytes / 1024 > 1) {
    putf("%.2lf", bytes / 1024);
    x(7);
    rate ? say(" KB per second.\n", " KB per detik.\n") : put(" KB\n");
  } else {
    putf("%.0lf", bytes);
    x(7);
    rate ? say(" Bytes per second.\n", " Byte per detik.\n") : say(" Bytes\n", " Byte\n");
  }
}

// The average speed line; returns the elapsed milliseconds it was worked out over.
double average_speed(double now_ticks, double start_time, std::int64_t bytes_done) {
  // Before the first tick has passed the elapsed time counts as one tick, so the speed stays finite.
  double elapsed = std::max(now_ticks - start_time, 1.0);
  say("Average process speed : ", "Kecepatan proses rata-rata : ");
  x(11);
  print_bytes(static_cast<double>(bytes_done) * 1000 / elapsed, true);
  return elapsed;
}

}  // namespace

void progress_bar(double start_time, std::uint16_t percent, std::int64_t bytes_done,
                  const std::string& label) {
  double now_ticks = now();
  if (now_ticks - timer < 1000 && percent != 0 && percent < 100) return;
  percent = std::min<std::uint16_t>(percent, 100);

  cls();
  x(10);
  if (percent != 100) put(label);
  x(7);
  say("Progress : <", "Kemajuan : <");
  x(15);
  std::string bar(percent / 2, '=');
  if (percent % 2 != 0) bar += '-';
  bar.append((100 - percent) / 2, ' ');
  put(bar);
  x(7);
  putf(">(%hu%c)\n", percent, '%');
  if (percent == 0) {
    console().flush();
    timer = now_ticks;
    return;
  }

  double elapsed = average_speed(now_ticks, start_time, bytes_done);

  if (percent == 100) {
    x(10);
    say("Completed!\n", "Selesai!\n");
    x(7);
    console().flush();
    timer = now();
    return;
  }

  double remaining = elapsed * (100 - percent) / percent / 1000;
  auto whole_seconds = static_cast<unsigned long long>(remaining);
  say("Remaining time : about ", "Perkiraan selesai : sekitar ");
  x(14);
  print_duration(whole_seconds, static_cast<unsigned long long>(remaining / 3600), true);
  x(7);
  if (whole_seconds % 60 == 0) put("\b.");
  console().flush();
  timer = now();
}

void stream_progress(double start_time, std::int64_t bytes_done, const std::string& label) {
  const double now_ticks = now();
  if (now_ticks - timer < 1000) return;
  cls();
  x(10);
  put(label);
  x(7);
  say("Processed so far : ", "Telah diproses : ");
  x(15);
  print_bytes(static_cast<double>(bytes_done), false);
  average_speed(now_ticks, start_time, bytes_done);
  console().flush();
  timer = now();
}

void running_time(double start_time) {
  double seconds = (now() - start_time) / 1000;
  say("Running time : ", "Waktu proses : ");
  x(14);
  if (seconds < 60) {
    sayf("%.2lf seconds.\n", "%.2lf detik.\n", seconds);
    x(7);
    return;
  }
  auto whole_seconds = static_cast<unsigned long long>(seconds);
  print_duration(whole_seconds, whole_seconds / 3600, false);
  x(7);
  put("\b.\n");
}

}  // namespace varnelo
