// Keeps the fakes library non-empty while a folder has only headers.
namespace vk {
namespace fakes {
int anchor = 0;
}
}  // namespace vk
