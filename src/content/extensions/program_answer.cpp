#include "content/extensions/program_answer.h"

#include <sys/socket.h>
#include <unistd.h>

#include <ctime>
#include <optional>
#include <string>

#include "content/extensions/answer_stream.h"
#include "content/extensions/extension_head.h"
#include "content/extensions/program_output.h"
#include "content/extensions/program_stop.h"
#include "platform/content_types.h"

namespace vireo {
namespace {

std::string_view FileName(std::string_view path)
{
    return path.substr(path.rfind('/') + 1);
}

// The type the server-built head names: the body file's, or plain HTML.
std::string ContentTypeOf(const ExchangeControl& control, const std::optional<std::string>& body_path,
                          const ExchangeFiles& files)
{
    switch (control.body) {
        case AnswerBody::HtmlText:
            return "text/html";
        case AnswerBody::NamedFile:
            return ContentTypeFor(FileName(body_path.value_or("")));
        case AnswerBody::TypedText:
            return ContentTypeFor(files.Name(ExchangeFile::Body));
    }
    return "text/html";
}

// One answer in the making: what the control file said and what has been had from the program.
class ProgramAnswer {
public:
    ProgramAnswer(Exchange& exchange, const ExchangeFiles& files, SpawnedProcess& program,
                  const ExtensionLimits& limits)
        : exchange_(exchange),
          files_(files),
          program_(program),
          limits_(limits),
          output_(program, files, limits)
    {
    }

    int Run();

private:
    // The head to send: the program's own, or one built for the body file (opened now for its
    // size when the length goes into the head). Nothing when the announced head file never came.
    std::optional<std::string> TakeHead();
    // Opens the body file unless that was tried already.
    void TakeBody();
    // Sends the body as the control file frames it; false when the visitor left.
    bool SendBody(AnswerStream& stream);
    // Ends the answer, sees the program to its end and passes `result` on.
    int End(ProgramEnding ending, int result);

    Exchange& exchange_;
    const ExchangeFiles& files_;
    SpawnedProcess& program_;
    const ExtensionLimits& limits_;
    ProgramOutput output_;
    ExchangeControl control_{};
    // The file the body file names; nothing when the body file is the body.
    std::optional<std::string> body_path_;
    std::optional<RegularFile> body_;
    bool body_tried_ = false;
};

std::optional<std::string> ProgramAnswer::TakeHead()
{
    if (control_.head == AnswerHead::HeadFile) return output_.AwaitHead();
    std::optional<std::uint64_t> length;
    if (control_.framing == AnswerFraming::Plain) {
        TakeBody();
        // A body file that never came makes an empty answer.
        length = body_ ? body_->size : 0;
    }
    return BuildExtensionHead(ContentTypeOf(control_, body_path_, files_), length, std::time(nullptr));
}

void ProgramAnswer::TakeBody()
{
    if (body_tried_) return;
    body_tried_ = true;
    // A body file that names no path has nothing to wait for.
    if (body_path_ && body_path_->empty()) return;
    body_ = output_.AwaitBody(body_path_);
}

bool ProgramAnswer::SendBody(AnswerStream& stream)
{
    const int fd = body_->fd.get();
    switch (control_.framing) {
        case AnswerFraming::Plain: {
            // The length the server announced bounds the body; a head of the program's own
            // announces its own.
            const bool built = control_.head == AnswerHead::Built;
            return stream.SendPlain(fd, built ? std::optional(body_->size) : std::nullopt);
        }
        case AnswerFraming::ChunkedWhole:
            return stream.SendChunked(fd);
        case AnswerFraming::ChunkedAppended:
            ::lseek(fd, 0, SEEK_END);
            return stream.SendChunked(fd);
    }
    return true;
}

int ProgramAnswer::End(ProgramEnding ending, int result)
{
    // Nothing more goes to the visitor, who need not wait for a program that runs on.
    if (!program_.Ended()) exchange_.connection.ShutdownSend();
    EndProgram(program_, files_, limits_, ending);
    return result;
}

int ProgramAnswer::Run()
{
    const std::optional<ExchangeControl> control = output_.AwaitControl();
    if (!control) return End(ProgramEnding::GiveUp, exchange_.SendError(504));
    control_ = *control;
    if (control_.body == AnswerBody::NamedFile) body_path_ = output_.AwaitBodyPath();
    const std::optional<std::string> head = TakeHead();
    if (!head) return End(ProgramEnding::GiveUp, exchange_.SendError(500));

    AnswerStream stream(exchange_, program_, limits_);
    if (!stream.SendHead(*head)) return End(ProgramEnding::GiveUp, stream.result());
    const bool plain = control_.framing == AnswerFraming::Plain;
    // A HEAD gets no body; a program that would stream one is told to stop.
    if (exchange_.request().method() == Method::Head) {
        return End(plain ? ProgramEnding::AfterAnswer : ProgramEnding::GiveUp, stream.result());
    }
    TakeBody();
    if (!body_) return End(ProgramEnding::GiveUp, stream.result());
    const bool sent = SendBody(stream);
    return End(sent && plain ? ProgramEnding::AfterAnswer : ProgramEnding::GiveUp, stream.result());
}

}  // namespace

int AnswerFromProgram(Exchange& exchange, const ExchangeFiles& files, SpawnedProcess& program,
                      const ExtensionLimits& limits)
{
    return ProgramAnswer(exchange, files, program, limits).Run();
}

}  // namespace vireo
