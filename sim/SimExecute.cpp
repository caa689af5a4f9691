// What each command does.
#include <cinttypes>

#include "N2kTime.h"
#include "Simulator.h"

bool tSimulator::ExecuteLine(const std::string &line, const tSimLocation &where) {
  tSimCommand command;
  std::string error;
  switch (ParseSimCommand(line, where, command, error)) {
    case tSimParseResult::kEmpty:
      return true;
    case tSimParseResult::kError:
      stats_.commandErrors++;
      std::fprintf(err_, "%s:%d: %s\n", where.file.c_str(), where.line, error.c_str());
      return false;
    case tSimParseResult::kCommand:
      break;
  }
  return Execute(command);
}

bool tSimulator::Execute(const tSimCommand &command) {
  return Run(command) == tResult::kOk;
}

tSimulator::tResult tSimulator::Fail(const tSimCommand &command, const std::string &message) {
  stats_.commandErrors++;
  std::fprintf(err_, "%s:%d: %s\n", command.where.file.c_str(), command.where.line,
               message.c_str());
  return tResult::kFailed;
}

tSimulator::tResult tSimulator::Run(const tSimCommand &c) {
  const uint32_t now = millis();
  switch (c.kind) {
    case tSimCommandKind::kNode:
      return CreateNode(c);
    case tSimCommandKind::kAt:
      scheduler_.Add(start_ + c.ms, 0, c.inner);
      return tResult::kOk;
    case tSimCommandKind::kAfter:
      scheduler_.Add(now + c.ms, 0, c.inner);
      return tResult::kOk;
    case tSimCommandKind::kEvery:
      scheduler_.Add(now + c.ms, c.ms, c.inner);
      return tResult::kOk;
    case tSimCommandKind::kFrame:
      stats_.injected++;
      bus_.Send(c.frame, nullptr);  // to every node and the link; the tap logs it
      Verbose("frame %08" PRIX32 " injected", c.frame.id);
      return tResult::kOk;
    case tSimCommandKind::kRawLine:
      if (!link_) return Fail(c, "rawline: there is no link");
      if (!link_->SendRawLine(c.text)) return Fail(c, "rawline: the link takes no raw text now");
      Verbose("raw line of %zu bytes written to the link", c.text.size() + 1);
      return tResult::kOk;
    case tSimCommandKind::kAdapter:
      if (!link_) return Fail(c, "adapter reset: there is no link");
      if (!link_->ResetAdapter()) return Fail(c, "adapter reset: the link has no adapter to reset");
      notReadyReason_ = "adapter reset";
      Verbose("adapter reset: channel closed until the node opens it again");
      return tResult::kOk;
    case tSimCommandKind::kLog:
      if (log_ != nullptr) log_->Comment(c.text.c_str());
      return tResult::kOk;
    case tSimCommandKind::kEcho:
      std::fprintf(out_, "%s\n", c.text.c_str());
      std::fflush(out_);
      return tResult::kOk;
    case tSimCommandKind::kQuit:
      quit_ = true;
      return tResult::kOk;
    default:
      break;
  }
  tSimNode *node = FindNode(c.node);
  if (node == nullptr) {
    Fail(c, "no node '" + c.node + "'");
    return tResult::kNoNode;
  }
  return RunOnNode(c, *node);
}

tSimulator::tResult tSimulator::RunOnNode(const tSimCommand &c, tSimNode &node) {
  switch (c.kind) {
    case tSimCommandKind::kSend:
      if (node.IsSilent()) {
        Verbose("%s is silent: PGN %lu not sent", node.Name().c_str(), c.msg.PGN);
        return tResult::kOk;
      }
      if (node.Config().mode == tSimNodeConfig::tMode::kListen)
        return Fail(c, "node '" + node.Name() + "' only listens");
      if (!node.Send(c.msg)) return Fail(c, "node '" + node.Name() + "' cannot queue more");
      Verbose("%s sends PGN %lu (%d bytes)", node.Name().c_str(), c.msg.PGN, c.msg.DataLen);
      return tResult::kOk;
    case tSimCommandKind::kClaim:
      node.ClaimAddress(c.address);
      Verbose("%s claims address %u", node.Name().c_str(), c.address);
      return tResult::kOk;
    case tSimCommandKind::kSilent:
    case tSimCommandKind::kResume:
      node.SetSilent(c.kind == tSimCommandKind::kSilent);
      Verbose("%s %s", node.Name().c_str(), node.IsSilent() ? "falls silent" : "resumes");
      return tResult::kOk;
    case tSimCommandKind::kRemove:
      for (auto it = nodes_.begin(); it != nodes_.end(); ++it)
        if (it->get() == &node) {
          nodes_.erase(it);
          break;
        }
      Verbose("%s removed", c.node.c_str());
      return tResult::kOk;
    case tSimCommandKind::kDo: {
      if (node.Behaviour() == nullptr)
        return Fail(c, "node '" + node.Name() + "' has no behaviour");
      std::string error;
      if (!node.Behaviour()->OnCommand(node, c.text, error)) return Fail(c, error);
      return tResult::kOk;
    }
    default:
      return Fail(c, "command cannot run here");
  }
}

// Addresses from kDefaultFirstAddress up, skipping those other simulated nodes want.
int tSimulator::ChooseAddress() const {
  for (int i = 0; i < 253; i++) {
    const int a = (kDefaultFirstAddress + nodesCreated_ + i) % 253;
    bool used = false;
    for (const auto &node : nodes_)
      if (node->GetN2kSource() == a || node->Config().address == a) used = true;
    if (!used) return a;
  }
  return kDefaultFirstAddress;
}

tSimulator::tResult tSimulator::CreateNode(const tSimCommand &c) {
  if (FindNode(c.config.name) != nullptr) return Fail(c, "node '" + c.config.name + "' exists");
  tSimNodeConfig config = c.config;
  if (config.address < 0) config.address = ChooseAddress();
  std::unique_ptr<tSimBehaviour> behaviour;
  if (!config.behaviour.empty()) {
    behaviour = MakeBehaviour(config.behaviour);
    if (!behaviour) return Fail(c, "unknown behaviour '" + config.behaviour + "'");
  }
  std::unique_ptr<tSimNode> node(new tSimNode(bus_, config, std::move(behaviour)));
  if (!node->Open()) return Fail(c, "node '" + config.name + "' cannot open its bus port");
  node->SetPeers(this);
  nodesCreated_++;
  Verbose("node %s: NAME %016" PRIX64 ", address %d", config.name.c_str(), node->GetName(),
          config.address);
  nodes_.push_back(std::move(node));
  return tResult::kOk;
}
