// A RO500 charger: the device the daemon bridges to a serial port.
//
// On the bus it sends CHARGER_STATUS_2 (1FEA3h) every 500 ms as its heartbeat once its
// address is settled, and offers its text console through TERMINAL (17E00h): what a
// node types to it is echoed back, and every complete line is answered (after its
// echo) with "AOK;"; the command "$RAS:@" is answered with its status lines AST, CPE,
// NPC, CST, SCV, SST, ENG and FLT, then "AOK;". Every line it says ends in "\r\n", as
// on its serial console, and starts a new TERMINAL message. Answers are queued and go
// out one message per pace (50 ms by default) from OnTick.
//
// Charger status (1FFC7h), charger configuration status (1FFC6h) and DM_RV (1FECAh)
// go out on command. The commands ("do NODE ...") are listed in sim/README.md.
//
// A node that comes back from silence starts afresh: half-typed lines and unsent
// answers are gone, and the heartbeat resumes once it has claimed its address again.
#ifndef SIM_RO500CHARGER_H
#define SIM_RO500CHARGER_H

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "Behaviour.h"
#include "TerminalConsole.h"

// The node keys a RO500 brings unless the scenario gives them: the daemon knows a
// RO500 by manufacturer code 963, product code 200, a model ID and a software version.
extern const char *const kRO500NodeDefaults[];

class tRO500Charger : public tSimBehaviour {
 public:
  static constexpr uint32_t kHeartbeatMs = 500;
  static constexpr int kAstFields = 16;
  static constexpr int kOtherLines = 7;
  // The lines after AST in the answer to "$RAS:@", in order.
  static const char *const kLineTags[kOtherLines];

  tRO500Charger();

  void OnMessage(tSimNode &node, const tN2kMsg &msg) override;
  void OnTick(tSimNode &node, uint32_t now) override;
  bool OnCommand(tSimNode &node, const std::string &text, std::string &error) override;
  void OnResume(tSimNode &node) override;

  // The line the console gives for a tag (AST, CPE, ... FLT), without its line end;
  // empty for an unknown tag.
  std::string StatusLine(const std::string &tag) const;
  const tTerminalConsole &Console() const { return console_; }

 private:
  // What CHARGER_STATUS_2 reports: the charger's measured output.
  struct tOutput {
    double volts = 13.95;
    double amps = 4.5;
    int temp = 40;  // degrees C
  };
  // CHARGER_STATUS.
  struct tStatus {
    double volts = 14.4;
    double amps = 4.5;
    double percent = 45;
    int state = 3;  // absorption
    bool enableAtPowerOn = true;
    bool autoRecharge = true;
    int force = 0;
  };
  // CHARGER_CONFIGURATION_STATUS.
  struct tConfig {
    int algorithm = 2;  // three-stage
    int mode = 0;       // stand-alone
    bool sensor = true;
    int line = 1;
    int battery = 2;  // AGM
    int size = 200;   // Ah
    double maxAmps = 30;
  };
  struct tFault {
    bool active = false;
    bool red = true;  // else the yellow lamp
    uint32_t spn = 0;
    int fmi = 0;
    int count = 0;
  };

  void Answer(uint8_t sender, const std::string &line);
  bool SendHeartbeat(tSimNode &node);
  bool SendStatus(tSimNode &node);
  bool SendConfig(tSimNode &node);
  bool SendDiag(tSimNode &node);

  // Commands, one per verb (RO500Commands.cpp); words[0] is the verb.
  bool CommandOutput(const std::vector<std::string> &words, std::string &error);
  bool CommandStatus(tSimNode &node, const std::vector<std::string> &words, std::string &error);
  bool CommandConfigure(tSimNode &node, const std::vector<std::string> &words, std::string &error);
  bool CommandFault(tSimNode &node, const std::vector<std::string> &words, std::string &error);
  bool CommandAst(const std::vector<std::string> &words, std::string &error);
  bool CommandLine(const std::string &text, std::string &error);

  tTerminalConsole console_;
  tOutput output_;
  tStatus status_;
  tConfig config_;
  tFault fault_;
  std::map<uint32_t, int> occurrences_;  // per SPN and FMI
  double ast_[kAstFields];
  std::string lines_[kOtherLines];  // set with "line TAG TEXT"; empty: the default
  bool heartbeatOn_ = true;
  bool echo_ = true;
  bool heartbeatSent_ = false;
  uint32_t lastHeartbeat_ = 0;
};

#endif
