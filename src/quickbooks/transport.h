#pragma once
// How qbXML reaches QuickBooks: one request document in, one response document out.
// A transport that cannot reach QuickBooks throws QbError(kNotReachable, ...).

#include <functional>
#include <string>

namespace vqb::qb {

class QbTransport {
 public:
  virtual ~QbTransport() = default;
  // Opens and closes a session with the company file; process() works without them too
  // (it opens its own session), as every request is self-contained.
  virtual void openConnection(const std::string& connectionString) = 0;
  virtual void closeConnection() = 0;
  virtual std::string process(const std::string& requestXml) = 0;
  // Called about ten times a second while process() waits for a QuickBooks that answers
  // slowly (the user interface pumps its events there); false gives up waiting.
  virtual void setWaitHook(std::function<bool()>) {}
};

}  // namespace vqb::qb
