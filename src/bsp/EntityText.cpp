#include "EntityText.h"

#include "BspException.h"
#include "platform/TextCase.h"

namespace bsp {
namespace {

// The entity text split into braces, quoted strings and bare words.
class CEntityTokens {
  public:
    explicit CEntityTokens(std::string_view text) : m_text(text.substr(0, text.find('\0'))) {}

    // The next token; false at the end of the text. A brace is a token only
    // when it stands outside quotes.
    bool Next(std::string& token, bool& brace) {
        SkipSpaceAndComments();
        if (m_nPosition >= m_text.size()) {
            return false;
        }
        const char first = m_text[m_nPosition];
        brace = first == '{' || first == '}';
        if (brace) {
            token.assign(1, first);
            ++m_nPosition;
        } else if (first == '"') {
            const std::size_t end = m_text.find('"', m_nPosition + 1);
            if (end == std::string_view::npos) {
                throw CBspException("damaged: " + m_strWhere + " ends inside a quoted text");
            }
            token.assign(m_text.substr(m_nPosition + 1, end - m_nPosition - 1));
            m_nPosition = end + 1;
        } else {
            const std::size_t start = m_nPosition;
            while (m_nPosition < m_text.size() && !IsSpace(m_text[m_nPosition]) &&
                   m_text[m_nPosition] != '"' && m_text[m_nPosition] != '{' &&
                   m_text[m_nPosition] != '}') {
                ++m_nPosition;
            }
            token.assign(m_text.substr(start, m_nPosition - start));
        }
        return true;
    }

    // Where the text is, for messages: "entity 3" or "the entity text".
    void SetWhere(std::string where) { m_strWhere = std::move(where); }

  private:
    static bool IsSpace(char c) { return static_cast<unsigned char>(c) <= ' '; }

    void SkipSpaceAndComments() {
        while (m_nPosition < m_text.size()) {
            if (IsSpace(m_text[m_nPosition])) {
                ++m_nPosition;
            } else if (m_text.substr(m_nPosition, 2) == "//") {
                const std::size_t end = m_text.find('\n', m_nPosition);
                m_nPosition = end == std::string_view::npos ? m_text.size() : end + 1;
            } else {
                return;
            }
        }
    }

    std::string_view m_text;
    std::size_t m_nPosition = 0;
    std::string m_strWhere = "the entity text";
};

}  // namespace

std::string_view CBspEntity::Value(std::string_view key) const {
    for (const auto& [name, value] : m_pairs) {
        if (platform::EqualsNoCase(name, key)) {
            return value;
        }
    }
    return {};
}

std::vector<CBspEntity> ParseEntityText(std::string_view text) {
    std::vector<CBspEntity> entities;
    CEntityTokens tokens(text);
    std::string token;
    bool brace = false;
    while (tokens.Next(token, brace)) {
        if (!brace || token != "{") {
            throw CBspException("damaged: the entity text has \"" + token.substr(0, 32) +
                                "\" where an entity should begin");
        }
        const std::string where = "entity " + std::to_string(entities.size());
        tokens.SetWhere(where);
        CBspEntity& entity = entities.emplace_back();
        for (;;) {
            std::string key;
            if (!tokens.Next(key, brace)) {
                throw CBspException("damaged: " + where + " has no closing brace");
            }
            if (brace && key == "}") {
                break;
            }
            std::string value;
            if (brace || !tokens.Next(value, brace) || brace) {
                throw CBspException("damaged: " + where + " has a key without a value");
            }
            entity.m_pairs.emplace_back(std::move(key), std::move(value));
        }
        tokens.SetWhere("the entity text");
    }
    return entities;
}

}  // namespace bsp
