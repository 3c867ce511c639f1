// condition_text.cpp - condition codes to the words a message shows.
#include "check/condition_text.h"

#include "recordio/messages.h"

namespace check {

std::string condition_text(std::int32_t code) {
  if (recordio::is_layer_condition(code)) return std::string(recordio::layer_message(code));
  std::string text = recordio::system_error_text(code);
  while (!text.empty() && (text.back() == '.' || text.back() == ' ')) text.pop_back();
  return text;
}

}  // namespace check
