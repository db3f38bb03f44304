#!/usr/bin/perl
# Writes a 16-bit PCM WAV file holding a sine tone: the source of the MP3 test
# fixtures, which lame encodes at build time.
#   make_tone_wav.pl out.wav rate seconds frequency amplitude [right-amplitude]
# With a right amplitude the file is stereo and the left channel gets the first.
use strict;
use warnings;

my ($out, $rate, $seconds, $frequency, $left, $right) = @ARGV;
die "usage: $0 out.wav rate seconds frequency amplitude [right-amplitude]\n" unless defined $left;
my $channels = defined $right ? 2 : 1;
my $frames = int($rate * $seconds);
my $pi = 4 * atan2(1, 1);
my $data = '';
for my $i (0 .. $frames - 1) {
    my $s = sin(2 * $pi * $frequency * $i / $rate);
    $data .= pack('v', int($left * $s) & 0xFFFF);
    $data .= pack('v', int($right * $s) & 0xFFFF) if $channels == 2;
}
open(my $fh, '>:raw', $out) or die "$out: $!\n";
print $fh pack('a4 V a4 a4 V v v V V v v a4 V', 'RIFF', 36 + length($data), 'WAVE', 'fmt ', 16, 1,
               $channels, $rate, $rate * $channels * 2, $channels * 2, 16, 'data', length($data));
print $fh $data;
close($fh) or die "$out: $!\n";
