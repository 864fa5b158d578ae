#include "device_traffic.h"

#include <cstdio>
#include <random>
#include <string>

namespace showcase {

namespace {

const char* const kDevices[] = {"Tracer1", "Tracer2", "Blocker1", "Edger1", "Edger2", "Edger3"};

std::string Stamp(int Seconds, int Millis) {
  char text[32];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", 8 + Seconds / 3600 % 10, Seconds / 60 % 60, Seconds % 60,
                Millis);
  return text;
}

// A traced frame radius list: a few of the 400 radii, in hundredths of a millimetre.
std::string Radii(std::mt19937& Rng) {
  std::string text = "R=";
  const int base = 2200 + static_cast<int>(Rng() % 400);
  for (int i = 0; i < 12; ++i) {
    if (i) text += ';';
    text += std::to_string(base + static_cast<int>(Rng() % 120) - 60);
  }
  return text + ";...";
}

}  // namespace

void FillDeviceTraffic(lab::TStrings* Received, lab::TStrings* Sent, int Count) {
  std::mt19937 rng(1966);
  int seconds = 0;
  Received->BeginUpdate();
  Sent->BeginUpdate();
  for (int i = 0; i < Count; ++i) {
    seconds += 1 + static_cast<int>(rng() % 4);
    const std::string device = kDevices[rng() % std::size(kDevices)];
    const std::string at = Stamp(seconds, static_cast<int>(rng() % 1000));
    const int job = 24000 + static_cast<int>(rng() % 900);
    switch (rng() % 6) {
      case 0:
        Received->Add(at + "  " + device + "  REQ=INI;DEV=" + device + ";VEN=LAB");
        Sent->Add(at + "  " + device + "  ANS=INI;STATUS=0;TRCFMT=1;400;E;R;F");
        break;
      case 1:
        Received->Add(at + "  " + device + "  JOB=" + std::to_string(job) + "\tDO=B\tTRCFMT=1;400;E;B;F");
        Sent->Add(at + "  " + device + "  JOB=" + std::to_string(job) + ";STATUS=0;" + Radii(rng));
        break;
      case 2:
        Received->Add(at + "  " + device + "  " + Radii(rng));
        Sent->Add(at + "  " + device + "  ACK");
        break;
      case 3:
        Received->Add(at + "  " + device + "  REQ=JOB;JOB=" + std::to_string(job) + ";CRC=" +
                      std::to_string(rng() % 65536));
        Sent->Add(at + "  " + device + "  LIND=1.50;1.50\tLNAM=CR39\tFCRV=4.25;4.25\tSTATUS=0");
        break;
      case 4:
        Received->Add(at + "  " + device + "  STATUS=2;Job " + std::to_string(job) + " not found");
        Sent->Add(at + "  " + device + "  STATUS=2;Job " + std::to_string(job) +
                  " is not in the jobs table: the edger was told to wait for the next job request");
        break;
      default:
        Received->Add(at + "  " + device + "  \xE2\x80\xA2 heartbeat");
        Sent->Add(at + "  " + device + "  \xE2\x80\xA2 heartbeat answered");
        break;
    }
  }
  Sent->EndUpdate();
  Received->EndUpdate();
}

}  // namespace showcase
