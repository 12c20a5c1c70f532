// A loadable shared object that is not a provider: it lacks the factory.
extern "C" __attribute__((visibility("default"))) int SomethingElse()
{
    return 1;
}
