// snarebolt-host: the browsers' native-messaging host for Fetchwright's capture.

#include "capture/host/native_host.h"

int main(int argc, char** argv) {
  return fw::runNativeHost(argc, argv);
}
